#include "XlsxSharedStrings.h"

#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "XlsxXml.h"

namespace vantrel::import {

SharedStrings ReadSharedStrings(ZipArchive& zip, const std::string& path) {
    SharedStrings strings;
    if (!zip.Has("xl/sharedStrings.xml")) {
        return strings;
    }
    bool inItem = false;
    bool inText = false;
    int phonetic = 0;  // <rPh> runs hold a reading aid, not the text
    std::string current;
    auto part = zip.Open("xl/sharedStrings.xml");
    XmlPass(
        path,
        [&](std::string_view name, const XML_Char**) {
            if (name == "si") {
                inItem = true;
                current.clear();
            } else if (name == "rPh") {
                ++phonetic;
            } else if (name == "t" && inItem && phonetic == 0) {
                inText = true;
            }
        },
        [&](std::string_view name) {
            if (name == "si") {
                inItem = false;
                if (strings.Size() >= kMaxSharedStrings ||
                    strings.Bytes() + current.size() > kMaxSharedBytes) {
                    throw ImportError(messages::TooLargeExpanded(path));
                }
                strings.Add(current);
                current.clear();
            } else if (name == "rPh") {
                --phonetic;
            } else if (name == "t") {
                inText = false;
            }
        },
        [&](std::string_view text) {
            if (inText) {
                if (current.size() + text.size() > kMaxCellBytes) {
                    throw ImportError(messages::Damaged(path, "shared string too long"));
                }
                current += text;
            }
        })
        .Run(*part);
    return strings;
}

}  // namespace vantrel::import
