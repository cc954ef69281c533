#pragma once
// What the writers read of a grid: colours, fonts, alignments, columns and
// the value of a column's field in the current record. Texts are GBK bytes.

#include <cstdint>
#include <string>

namespace vantrel::exporter {

enum class Alignment { Left, Right, Center };

// The platform colours a grid refers to by role; their RGB value is looked
// up when an export runs.
enum class SystemColor { Window, WindowText, ButtonFace };

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// An RGB value, a system colour, or the grid's "no colour".
struct Color {
    enum class Kind { Rgb, System, None };
    Kind kind = Kind::None;
    Rgb rgb;
    SystemColor system = SystemColor::Window;

    static Color Of(Rgb value) { return {Kind::Rgb, value, SystemColor::Window}; }
    static Color Of(SystemColor role) { return {Kind::System, {}, role}; }
    static Color None() { return {}; }
};

struct ExportFont {
    std::string name;  // face name, GBK
    int size = 10;     // whole points
    Color color = Color::Of(SystemColor::WindowText);
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// How a field's value is to be taken: integers and floating-point numbers
// have a value of their own, everything else is shown as text.
enum class FieldKind { Text, Integer, Float, DateTime };

// One visible column of the grid, in display order.
struct ExportColumn {
    std::string caption;  // GBK
    int width = 0;        // pixels, as the grid holds it now
    Alignment titleAlignment = Alignment::Center;
    ExportFont titleFont;
    Color titleColor = Color::Of(SystemColor::ButtonFace);
    Alignment alignment = Alignment::Left;
    ExportFont font;
    Color color = Color::Of(SystemColor::Window);
    // Position of the column's field in the grid's own numbering; -1 when the
    // column has no field.
    int field = -1;
    FieldKind fieldKind = FieldKind::Text;
};

// A column's field in the current record.
struct CellValue {
    bool isNull = true;
    // The value as stored, which for text is also its display text.
    std::string text;
};

// One data cell as the walk hands it to a writer.
struct ExportCell {
    std::string text;  // display text, GBK, no terminator
    Alignment alignment = Alignment::Left;
    Color background;
    ExportFont font;
};

}  // namespace vantrel::exporter
