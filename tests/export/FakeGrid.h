#pragma once
// A grid over a plain table for writer tests, with the inventory grid's defaults:
// 宋体 10 pt, black text, white window, grey button face, 96 pixels per inch.
// It records what the walk does to it and can fail at a chosen record.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ByteStream.h"
#include "ExportError.h"
#include "ExportGrid.h"

namespace vantrel::exporter::test {

inline const std::string kSongTi = "\xcb\xce\xcc\xe5";  // 宋体
inline const std::string kBuMen = "\xb2\xbf\xc3\xc5";   // 部门

class FakeGrid : public ExportGrid {
  public:
    using Row = std::vector<std::optional<std::string>>;

    // A column of the grid's defaults whose field is the next value of a row.
    void AddColumn(std::string caption, int width, FieldKind kind = FieldKind::Text) {
        ExportColumn column;
        column.caption = std::move(caption);
        column.width = width;
        column.titleFont.name = kSongTi;
        column.font.name = kSongTi;
        column.field = static_cast<int>(columns.size());
        column.fieldKind = kind;
        column.alignment = kind == FieldKind::Integer || kind == FieldKind::Float ? Alignment::Right
                                                                                  : Alignment::Left;
        columns.push_back(column);
    }

    std::string Name() const override { return "DBGridEh1"; }
    GridLook Look() const override { return look; }
    Color FixedColor() const override { return Color::Of(SystemColor::ButtonFace); }
    int PixelsPerInch() const override { return pixelsPerInch; }
    Rgb Resolve(const Color& color) const override {
        if (color.kind != Color::Kind::System) {
            return color.rgb;
        }
        switch (color.system) {
            case SystemColor::Window:
                return window;
            case SystemColor::WindowText:
                return windowText;
            case SystemColor::ButtonFace:
                return buttonFace;
        }
        return {};
    }
    std::vector<ExportColumn> VisibleColumns() const override { return columns; }

    void DisableControls() override {
        ++disabled;
        events += "D";
    }
    void EnableControls() override {
        --disabled;
        events += "E";
    }
    void SavePosition() override {
        saved = current;
        events += "S";
    }
    void RestorePosition() override {
        current = saved;
        events += "R";
    }
    void First() override {
        current = 0;
        Check();
    }
    void Next() override {
        ++current;
        Check();
    }
    bool Eof() const override { return current >= rows.size(); }
    CellValue Value(const ExportColumn& column) const override {
        if (disabled <= 0) {
            throw std::logic_error("record read while the grid follows the dataset");
        }
        if (column.field < 0) {
            return {};
        }
        const auto& value = rows.at(current).at(static_cast<std::size_t>(column.field));
        return value ? CellValue{false, *value} : CellValue{};
    }

    std::vector<ExportColumn> columns;
    std::vector<Row> rows;
    GridLook look;
    int pixelsPerInch = 96;
    Rgb window{255, 255, 255};
    Rgb windowText{0, 0, 0};
    Rgb buttonFace{240, 240, 240};
    // Moving onto this record fails, as a dataset error would.
    std::optional<std::size_t> failAt;
    std::size_t current = 7;  // where the grid stands before the export
    std::size_t saved = 0;
    int disabled = 0;
    std::string events;

  private:
    void Check() const {
        if (failAt && current == *failAt && current < rows.size()) {
            throw std::runtime_error("dataset error");
        }
    }
};

// Accepts `limit` bytes, then fails every write, like a full disk.
class FailingStream : public ByteStream {
  public:
    explicit FailingStream(std::size_t limit) : limit_(limit) {}
    void Write(std::string_view bytes) override {
        if (written.size() + bytes.size() > limit_) {
            written.append(bytes.substr(0, limit_ - written.size()));
            throw ExportError("disk full");
        }
        written.append(bytes);
    }
    std::string written;

  private:
    std::size_t limit_;
};

}  // namespace vantrel::exporter::test
