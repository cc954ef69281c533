#include "RtfExporter.h"

#include <cstdio>

#include "Gbk.h"

namespace vantrel::exporter {

namespace {

bool IsRtfSpecial(char c) {
    return c == '\\' || c == '{' || c == '}';
}

void PutHexByte(std::string& out, char c) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\'%02x", static_cast<unsigned char>(c));
    out += hex;
}

}  // namespace

std::string RtfExporter::Protected(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = text::CharLength(text, i);
        const char c = text[i];
        if (length == 2) {
            if (IsRtfSpecial(text[i + 1])) {
                PutHexByte(out, c);
                PutHexByte(out, text[i + 1]);
            } else {
                out.append(text.substr(i, 2));
            }
        } else if (IsRtfSpecial(c)) {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\line ";
        } else if (c == '\r') {
            if (i + 1 == text.size() || text[i + 1] != '\n') {
                out += "\\line ";
            }
        } else {
            out += c;
        }
        i += length;
    }
    return out;
}

std::string_view RtfExporter::AlignWord(Alignment alignment) {
    switch (alignment) {
        case Alignment::Right:
            return "\\qr";
        case Alignment::Center:
            return "\\qc";
        case Alignment::Left:
            break;
    }
    return "\\ql";
}

std::size_t RtfExporter::ColorEntry(const Color& color) {
    const Rgb rgb = Grid().Resolve(color);
    for (std::size_t i = 0; i < colors_.size(); ++i) {
        if (colors_[i] == rgb) {
            return i;
        }
    }
    colors_.push_back(rgb);
    return colors_.size() - 1;
}

std::size_t RtfExporter::FontEntry(std::string_view name) {
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        if (text::EqualsIgnoringCase(fonts_[i], name)) {
            return i;
        }
    }
    fonts_.emplace_back(name);
    return fonts_.size() - 1;
}

void RtfExporter::StyledText(const ExportFont& font, std::string_view text,
                             const Color& background) {
    std::string run = "\\fs" + std::to_string(font.size * 2);
    if (font.bold) {
        run += "\\b";
    }
    if (font.italic) {
        run += "\\i";
    }
    if (font.strikeOut) {
        run += "\\strike";
    }
    if (font.underline) {
        run += "\\ul";
    }
    run += "\\f" + std::to_string(FontEntry(font.name));
    run += "\\cf" + std::to_string(ColorEntry(font.color));
    run += "\\cb" + std::to_string(ColorEntry(background));
    run += ' ';
    run += Protected(text);
    Put(run);
}

void RtfExporter::PutCellBorders() {
    Put("\\clbrdrl\\brdrs\\brdrcf0\r\n"
        "\\clbrdrt\\brdrs\\brdrcf0\r\n"
        "\\clbrdrb\\brdrs\\brdrcf0\r\n"
        "\\clbrdrr\\brdrs\\brdrcf0\r\n");
}

void RtfExporter::PutRowStart(const std::vector<ExportColumn>& columns, bool title) {
    Put("\\trowd");
    PutLine("\\trgaph40");
    const long long ppi = Grid().PixelsPerInch() > 0 ? Grid().PixelsPerInch() : 96;
    long long right = 0;
    for (const ExportColumn& column : columns) {
        PutCellBorders();
        // Truncated per column before summing, as the twips of each cell.
        right += static_cast<long long>(column.width) * 1440 / ppi;
        Put("\\clshdng10000\\clcfpat" +
            std::to_string(ColorEntry(title ? column.titleColor : column.color)));
        PutLine("\\cellx" + std::to_string(right));
    }
    PutLine("{\\trrh0");
}

void RtfExporter::PutCell(Alignment alignment, const ExportFont& font, std::string_view text,
                          const Color& background) {
    const std::string_view sp = Grid().Look().flat ? "12" : "24";
    std::string start = "\\pard\\intbl{";
    start += AlignWord(alignment);
    start += "\\sb";
    start += sp;
    start += "\\sa";
    start += sp;
    Put(start);
    StyledText(font, text, background);
    PutLine("\\cell}");
}

void RtfExporter::EmitTitleRow(const std::vector<ExportColumn>& columns) {
    PutRowStart(columns, true);
    for (const ExportColumn& column : columns) {
        PutCell(column.titleAlignment, column.titleFont, column.caption, column.titleColor);
    }
    PutLine("\\pard\\intbl\\row}");
}

void RtfExporter::EmitRecordRow(const std::vector<ExportColumn>& columns) {
    PutRowStart(columns, false);
    GridExporter::EmitRecordRow(columns);
    PutLine("\\pard\\intbl\\row}");
}

void RtfExporter::EmitDataCell(const ExportColumn& /*column*/, const ExportCell& cell) {
    PutCell(cell.alignment, cell.font, cell.text, cell.background);
}

void RtfExporter::EmitTrailer() {
    Put("}");
}

std::string RtfExporter::Header() const {
    // \ansicpg936 tells readers that the raw bytes are code page 936.
    std::string header = "{\\rtf0\\ansi\\ansicpg936\r\n{\\colortbl";
    for (const Rgb& rgb : colors_) {
        header += "\\red" + std::to_string(rgb.red) + "\\green" + std::to_string(rgb.green) +
                  "\\blue" + std::to_string(rgb.blue) + ";";
    }
    header += "}\r\n{\\fonttbl";
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        header += "\\f" + std::to_string(i) + "\\fnil " + Protected(fonts_[i]) + ";";
    }
    header += "}\r\n";
    return header;
}

void RtfExporter::WriteGrid(ByteStream& stream, bool allRecords) {
    colors_.clear();
    fonts_.clear();
    MemoryStream body;
    struct Release {
        RtfExporter& self;
        ~Release() {
            self.colors_.clear();
            self.fonts_.clear();
        }
    } release{*this};
    colors_.push_back({0, 0, 0});
    colors_.push_back({255, 255, 255});
    ColorEntry(Color::Of(SystemColor::ButtonFace));
    GridExporter::WriteGrid(body, allRecords);
    stream.Write(Header());
    body.CopyTo(stream);
}

}  // namespace vantrel::exporter
