#include "XlsxDateStyles.h"

#include <cstdint>
#include <cstdlib>
#include <map>

#include "XlsWorkbook.h"
#include "XlsxXml.h"

namespace vantrel::import {

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
                dates.push_back(known != custom.end()
                                    ? known->second
                                    : format >= 0 && format <= 0xFFFF &&
                                          IsDateFormatId(static_cast<std::uint16_t>(format)));
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
