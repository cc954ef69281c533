#include "XlsxWorkbook.h"

#include <cstring>
#include <map>

#include "ImportError.h"
#include "ImportMessages.h"
#include "XlsxXml.h"

namespace vantrel::import {

Workbook ReadWorkbook(ZipArchive& zip, const std::string& path) {
    Workbook book;
    std::vector<std::string> ids;
    {
        auto part = zip.Open("xl/workbook.xml");
        XmlPass(path, [&](std::string_view name, const XML_Char** a) {
            if (name == "sheet") {
                const char* sheetName = Attribute(a, "name");
                const char* id = Attribute(a, "id");
                book.sheets.push_back({sheetName != nullptr ? sheetName : "", ""});
                ids.emplace_back(id != nullptr ? id : "");
            } else if (name == "workbookPr") {
                const char* date1904 = Attribute(a, "date1904");
                book.epoch1904 = date1904 != nullptr && (std::strcmp(date1904, "1") == 0 ||
                                                         std::strcmp(date1904, "true") == 0);
            }
        }).Run(*part);
    }
    std::map<std::string, std::string> targets;
    if (zip.Has("xl/_rels/workbook.xml.rels")) {
        auto part = zip.Open("xl/_rels/workbook.xml.rels");
        XmlPass(path, [&](std::string_view name, const XML_Char** a) {
            if (name == "Relationship") {
                const char* id = Attribute(a, "Id");
                const char* target = Attribute(a, "Target");
                if (id != nullptr && target != nullptr) {
                    std::string t = target;
                    t = t.starts_with('/') ? t.substr(1) : "xl/" + t;
                    targets[id] = t;
                }
            }
        }).Run(*part);
    }
    for (std::size_t i = 0; i < book.sheets.size(); ++i) {
        const auto found = targets.find(ids[i]);
        book.sheets[i].part = found != targets.end()
                                  ? found->second
                                  : "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml";
    }
    if (book.sheets.empty()) {
        throw ImportError(messages::Damaged(path, "no sheet"));
    }
    return book;
}

}  // namespace vantrel::import
