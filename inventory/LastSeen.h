#pragma once
// The rules of when a PC was last seen, over what table ip_seen holds: the
// key a record is kept under, and which records tell of an inventory row.
// Rows are keyed by the MAC; an answer whose MAC is all zeros, as Samba's
// nmbd sends, is keyed by its address instead and is matched to inventory
// rows by ip.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vantrel::inventory {

// What ip_seen holds for one key; empty texts where nothing was recorded.
struct SeenRecord {
    std::string onlineTime;  // "YYYY-MM-DD HH:MM:SS", local time
    std::string address;     // the answer came from there
    std::string name;        // the NetBIOS name it gave
    std::string sweepTime;   // when the sweep that received it began
    std::string reportTime;
    std::string reportAddress;
};

// The key of a MAC: its twelve hex digits in upper case when it is one
// (any of ".", ":", "-" or none between the bytes), otherwise the text
// itself with ASCII letters upper-cased. An all-zero MAC gives "".
std::string SeenKeyOfMac(std::string_view mac);
// The key of an answer whose MAC is all zeros: "IP " and the address.
std::string SeenKeyOfAddress(std::string_view address);

// Every row of ip_seen by key, read in one statement.
using SeenIndex = std::unordered_map<std::string, SeenRecord>;

// When the row with `mac` and `ip` was last seen: the MAC's record, with
// the online part taken from the address's record when that is newer (an
// answer that gave no MAC). Nullopt when neither is recorded.
std::optional<SeenRecord> SeenOfRow(const SeenIndex& seen, std::string_view mac,
                                    std::string_view ip);

}  // namespace vantrel::inventory
