#include "NicMakers.h"

#include <algorithm>
#include <fstream>
#include <unordered_map>

#include "Gbk.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"

namespace vantrel::inventory {

namespace {

constexpr std::size_t kMaxNameLength = 120;

// The first three fields of a CSV line: "" doubled inside quotes.
std::vector<std::string> FirstFields(const std::string& line, std::size_t count) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back().push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back().push_back(c);
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            if (fields.size() == count) {
                break;
            }
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back().push_back(c);
        }
    }
    return fields;
}

}  // namespace

const char* const NicMakers::kDefaultDirectory = "/usr/share/ieee-data";

const std::string& NicMakers::LocallyAdministered() {
    return u8"本地分配"_gbk;
}

const std::string& NicMakers::Unknown() {
    return u8"未知"_gbk;
}

std::optional<std::uint64_t> NicMakers::ParseMac(std::string_view mac) {
    std::uint64_t value = 0;
    int digits = 0;
    for (char c : mac) {
        if (c == '.' || c == ':' || c == '-') {
            continue;
        }
        const int hex = text::AsciiHexValue(c);
        if (hex < 0 || ++digits > 12) {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint64_t>(hex);
    }
    if (digits != 12) {
        return std::nullopt;
    }
    return value;
}

NicMakers NicMakers::Load(const std::string& directory) {
    NicMakers makers;
    std::unordered_map<std::string, std::uint32_t> known;
    for (const char* file : {"oui.csv", "mam.csv", "oui36.csv"}) {
        std::ifstream in(directory + "/" + file, std::ios::binary);
        std::string line;
        while (in && std::getline(in, line)) {
            const auto fields = FirstFields(line, 3);
            if (fields.size() < 3) {
                continue;
            }
            const std::string_view assignment = text::TrimBlanks(fields[1]);
            const std::size_t table = assignment.size() == 9   ? 0
                                      : assignment.size() == 7 ? 1
                                      : assignment.size() == 6 ? 2
                                                               : 3;
            std::uint64_t prefix = 0;
            bool hex = table < 3;
            for (char c : assignment) {
                const int value = text::AsciiHexValue(c);
                hex = hex && value >= 0;
                prefix = (prefix << 4) | static_cast<std::uint64_t>(value < 0 ? 0 : value);
            }
            std::string name(text::TrimBlanks(fields[2]));
            if (!hex || name.empty()) {
                continue;
            }
            if (name.size() > kMaxNameLength) {
                name.resize(kMaxNameLength);
            }
            const bool ascii = std::all_of(name.begin(), name.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x80;
            });
            if (!ascii) {
                name = text::Utf8ToGbk(name);
            }
            // One copy of each name: most makers hold many prefixes.
            auto [slot, added] =
                known.try_emplace(name, static_cast<std::uint32_t>(makers.names_.size()));
            if (added) {
                makers.names_ += name;
            }
            const auto bits = static_cast<unsigned>(assignment.size() * 4);
            makers.tables_[table].push_back(
                {prefix << (48 - bits), slot->second, static_cast<std::uint32_t>(name.size())});
        }
    }
    for (auto& table : makers.tables_) {
        std::sort(table.begin(), table.end(),
                  [](const Entry& a, const Entry& b) { return a.prefix < b.prefix; });
        table.shrink_to_fit();
    }
    makers.names_.shrink_to_fit();
    return makers;
}

std::string_view NicMakers::MakerOf(std::string_view mac) const {
    const auto value = ParseMac(mac);
    if (!value || *value == 0) {
        return Unknown();
    }
    if ((*value >> 40) & 0x02) {
        return LocallyAdministered();
    }
    constexpr unsigned kBits[3] = {36, 28, 24};
    for (std::size_t t = 0; t < 3; ++t) {
        const std::vector<Entry>& table = tables_[t];
        const std::uint64_t prefix = *value & ~((std::uint64_t{1} << (48 - kBits[t])) - 1);
        const auto found =
            std::lower_bound(table.begin(), table.end(), prefix,
                             [](const Entry& e, std::uint64_t p) { return e.prefix < p; });
        if (found != table.end() && found->prefix == prefix) {
            return std::string_view(names_).substr(found->name, found->nameLength);
        }
    }
    return Unknown();
}

}  // namespace vantrel::inventory
