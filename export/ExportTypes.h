#pragma once
// What the writers read of a grid: colours, fonts, alignments, columns and
// the value of a column's field in the current record. Texts are GBK bytes.

#include <cstdint>
#include <string>

namespace vantrel::exporter {

enum class TAlignment { Left, Right, Center };

// The platform colours a grid refers to by role; their RGB value is looked
// up when an export runs.
enum class TSystemColor { Window, WindowText, ButtonFace };

struct TRgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const TRgb&, const TRgb&) = default;
};

// An RGB value, a system colour, or the grid's "no colour".
struct TColor {
    enum class Kind { Rgb, System, None };
    Kind kind = Kind::None;
    TRgb rgb;
    TSystemColor system = TSystemColor::Window;

    static TColor Of(TRgb value) { return {Kind::Rgb, value, TSystemColor::Window}; }
    static TColor Of(TSystemColor role) { return {Kind::System, {}, role}; }
    static TColor None() { return {}; }
};

struct TExportFont {
    std::string name;  // face name, GBK
    int size = 10;     // whole points
    TColor color = TColor::Of(TSystemColor::WindowText);
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// How a field's value is to be taken: integers and floating-point numbers
// have a value of their own, everything else is shown as text.
enum class TFieldKind { Text, Integer, Float, DateTime };

// One visible column of the grid, in display order.
struct TExportColumn {
    std::string caption;  // GBK
    int width = 0;        // pixels, as the grid holds it now
    TAlignment titleAlignment = TAlignment::Center;
    TExportFont titleFont;
    TColor titleColor = TColor::Of(TSystemColor::ButtonFace);
    TAlignment alignment = TAlignment::Left;
    TExportFont font;
    TColor color = TColor::Of(TSystemColor::Window);
    // Position of the column's field in the grid's own numbering; -1 when the
    // column has no field.
    int field = -1;
    TFieldKind fieldKind = TFieldKind::Text;
};

// A column's field in the current record.
struct TFieldValue {
    bool isNull = true;
    // The value as stored, which for text is also its display text.
    std::string text;
};

// One data cell as the walk hands it to a writer.
struct ExportCell {
    std::string text;  // display text, GBK, no terminator
    TAlignment alignment = TAlignment::Left;
    TColor background;
    TExportFont font;
};

}  // namespace vantrel::exporter
