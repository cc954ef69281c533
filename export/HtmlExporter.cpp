#include "HtmlExporter.h"

#include <cstdio>

#include "Gbk.h"

namespace vantrel::exporter {

std::string HtmlExporter::Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = text::CharLength(text, i);
        if (length == 1) {
            switch (text[i]) {
                case '&':
                    out += "&amp;";
                    break;
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                default:
                    out += text[i];
            }
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string_view HtmlExporter::AlignName(Alignment alignment) {
    switch (alignment) {
        case Alignment::Right:
            return "RIGHT";
        case Alignment::Center:
            return "CENTER";
        case Alignment::Left:
            break;
    }
    return "LEFT";
}

std::string HtmlExporter::HtmlColor(const Color& color) const {
    if (color.kind == Color::Kind::None) {
        return "000000";
    }
    const Rgb rgb = Grid().Resolve(color);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02X%02X%02X", rgb.red, rgb.green, rgb.blue);
    return digits;
}

void HtmlExporter::FontBlock(const ExportFont& font, std::string_view text) {
    std::string block = "<FONT STYLE=\"font-family: ";
    block += font.name;
    block += "; font-size: ";
    block += std::to_string(font.size);
    block += "pt; color: #";
    block += HtmlColor(font.color);
    block += "\">";
    // Closing tags in the opening order, as readers of these files expect.
    std::string closing;
    const std::pair<bool, std::string_view> styles[] = {{font.bold, "B>"},
                                                        {font.italic, "I>"},
                                                        {font.underline, "U>"},
                                                        {font.strikeOut, "STRIKE>"}};
    for (const auto& [on, tag] : styles) {
        if (on) {
            block += '<';
            block += tag;
            closing += "</";
            closing += tag;
        }
    }
    block += text.empty() ? std::string("&nbsp") : Escaped(text);
    block += closing;
    block += "</FONT>";
    Put(block);
}

void HtmlExporter::EmitHeader() {
    PutLine("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">");
    PutLine("<HTML>");
    PutLine("<HEAD>");
    PutLine("<TITLE>");
    PutLine(Grid().Name());
    PutLine("</TITLE>");
    PutLine("</HEAD>");
    PutLine("<BODY>");
    const GridLook look = Grid().Look();
    std::string table = "<TABLE ";
    if (!look.columnLines && !look.rowLines) {
        table += "BORDER=0 CELLSPACING=0 CELLPADDING=";
    } else if (look.ctl3D) {
        table += "BORDER=1 CELLSPACING=0 CELLPADDING=";
    } else {
        table += "BORDER=0 CELLSPACING=1 CELLPADDING=";
    }
    table += look.flat ? "1" : "2";
    table += " BGCOLOR=#";
    table += HtmlColor(Grid().FixedColor());
    table += ">\r\n";
    PutLine(table);
}

void HtmlExporter::EmitTrailer() {
    PutLine("</TABLE>");
    PutLine("</BODY>");
    PutLine("</HTML>");
}

void HtmlExporter::PutCellStart(const ExportColumn& column, Alignment alignment) {
    std::string start = "  <TD WIDTH=";
    start += std::to_string(column.width);
    start += " ALIGN=\"";
    start += AlignName(alignment);
    start += '"';
    Put(start);
}

void HtmlExporter::EmitTitleRow(const std::vector<ExportColumn>& columns) {
    if (columns.empty()) {
        return;
    }
    PutLine("<TR>");
    for (const ExportColumn& column : columns) {
        PutCellStart(column, column.titleAlignment);
        Put(">");
        FontBlock(column.titleFont, column.caption);
        PutLine("</TD>");
    }
    PutLine("</TR>");
}

void HtmlExporter::EmitRecordRow(const std::vector<ExportColumn>& columns) {
    PutLine("<TR>");
    GridExporter::EmitRecordRow(columns);
    PutLine("</TR>");
}

void HtmlExporter::EmitDataCell(const ExportColumn& column, const ExportCell& cell) {
    PutCellStart(column, cell.alignment);
    Put(" BGCOLOR=#" + HtmlColor(cell.background) + ">");
    FontBlock(cell.font, cell.text);
    PutLine("</TD>");
}

}  // namespace vantrel::exporter
