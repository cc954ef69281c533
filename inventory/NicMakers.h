#pragma once
// The makers of network cards, by the first bytes of a MAC, from the IEEE
// registries as Debian's ieee-data installs them: oui.csv (MA-L, 24-bit
// prefixes), mam.csv (MA-M, 28-bit) and oui36.csv (MA-S, 36-bit). A longer
// prefix takes precedence where it matches. Read once; look-ups are a
// binary search in a sorted array, the names in one shared buffer.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::inventory {

class NicMakers {
  public:
    // "/usr/share/ieee-data".
    static const char* const kDefaultDirectory;

    // Empty: every look-up gives Unknown().
    NicMakers() = default;

    // Reads the three files of `directory`. A missing or unreadable file
    // contributes nothing; lines that are not a registry entry are skipped.
    static NicMakers Load(const std::string& directory);

    // The maker of `mac` (hex digits with ".", ":", "-" or nothing between
    // the bytes), as GBK: LocallyAdministered() when the second bit of the
    // first byte is set, Unknown() when the text is not a MAC, is all
    // zeros or no registry entry matches.
    std::string_view MakerOf(std::string_view mac) const;

    // "本地分配" and "未知", GBK.
    static const std::string& LocallyAdministered();
    static const std::string& Unknown();

    std::size_t Size() const { return tables_[0].size() + tables_[1].size() + tables_[2].size(); }

    // The 48 bits of a MAC text; nullopt when it is not twelve hex digits.
    static std::optional<std::uint64_t> ParseMac(std::string_view mac);

  private:
    struct Entry {
        std::uint64_t prefix;  // the prefix's bits, at the top of 48
        std::uint32_t name;    // offset into names_
        std::uint32_t nameLength;
    };
    // 36-bit, 28-bit and 24-bit prefixes, each sorted: longest first.
    std::vector<Entry> tables_[3];
    std::string names_;
};

}  // namespace vantrel::inventory
