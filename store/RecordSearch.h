#pragma once
// A search on what the store knows of a PC beyond its row of table ip: its
// model (ip_device) and its serial numbers (the system's, the board's and
// the chassis's in ip_device, each monitor's numeric and text serial in
// ip_monitor). The result is the set of history keys whose values match,
// which the dataset's filter then tests each row's key against.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

struct sqlite3;

namespace vantrel::store {

enum class FieldMatch;

enum class RecordField { Model, Serial };

// The keys as KeyOfSearch gives them.
using KeySet = std::unordered_set<std::string>;

// A history key as the set holds it: MACs compare as reports compare them
// (ASCII case ignored).
std::string KeyOfSearch(std::string_view key);

// Keys whose `field` equals or contains `text` (GBK; ASCII letters without
// regard to case, double-byte characters whole). A file without the tables
// matches nothing. The caller holds the connection's lock. Throws
// StoreError when the read fails.
KeySet KeysMatching(sqlite3* db, RecordField field, FieldMatch match, std::string_view text);

// The label of the field in the search list (GBK): 型号, 序列号.
const std::string& RecordFieldLabel(RecordField field);

}  // namespace vantrel::store
