#include "CsvExporter.h"

#include "Gbk.h"

namespace vantrel::exporter {

std::string CsvExporter::Quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    std::size_t from = 0;
    for (std::size_t quote = text::FindSingleByte(text, '"'); quote != std::string_view::npos;
         quote = text::FindSingleByte(text, '"', from)) {
        out.append(text.substr(from, quote + 1 - from));
        out += '"';
        from = quote + 1;
    }
    out.append(text.substr(from));
    out += '"';
    return out;
}

}  // namespace vantrel::exporter
