#include "XlsxDateStyles.h"

#include <cstdlib>
#include <map>

#include "XlsxXml.h"

namespace vantrel::import {

bool IsDateFormatId(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

bool IsDateFormatCode(std::string_view code) {
    bool quoted = false;
    bool bracket = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (c == 'y' || c == 'Y' || c == 'd' || c == 'D' || c == 'h' || c == 'H' ||
                   c == 's' || c == 'S') {
            return true;
        }
    }
    return false;
}

std::vector<bool> ReadDateStyles(ZipArchive& zip, const std::string& path) {
    std::vector<bool> dates;
    if (!zip.Has("xl/styles.xml")) {
        return dates;
    }
    std::map<int, bool> custom;
    bool inCellXfs = false;
    auto part = zip.Open("xl/styles.xml");
    XmlPass(
        path,
        [&](std::string_view name, const XML_Char** a) {
            if (name == "numFmt") {
                const char* id = Attribute(a, "numFmtId");
                const char* code = Attribute(a, "formatCode");
                if (id != nullptr && code != nullptr) {
                    custom[std::atoi(id)] = IsDateFormatCode(code);
                }
            } else if (name == "cellXfs") {
                inCellXfs = true;
            } else if (name == "xf" && inCellXfs) {
                const char* id = Attribute(a, "numFmtId");
                const int format = id != nullptr ? std::atoi(id) : 0;
                const auto known = custom.find(format);
                dates.push_back(known != custom.end() ? known->second : IsDateFormatId(format));
            }
        },
        [&](std::string_view name) {
            if (name == "cellXfs") {
                inCellXfs = false;
            }
        })
        .Run(*part);
    return dates;
}

}  // namespace vantrel::import
