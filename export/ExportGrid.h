#pragma once
// The grid an export reads: its look, its visible columns and the records of
// its dataset. The window implements it over its grid and dataset; tests
// implement it over plain tables.

#include <string>
#include <vector>

#include "ExportTypes.h"

namespace vantrel::exporter {

// Grid options that decide the look of an HTML or RTF table.
struct GridLook {
    bool columnLines = true;
    bool rowLines = true;
    bool ctl3D = true;
    bool flat = false;
    bool titleRow = true;
};

class ExportGrid {
  public:
    virtual ~ExportGrid() = default;

    // The name the HTML export writes as its page title: "DBGridEh1" for
    // the inventory grid, as files written before expect.
    virtual std::string Name() const = 0;
    virtual GridLook Look() const = 0;
    // The grid's fixed (title) colour.
    virtual Color FixedColor() const = 0;
    virtual int PixelsPerInch() const = 0;
    // A system colour's current RGB value; RGB values come back unchanged.
    virtual Rgb Resolve(const Color& color) const = 0;
    // Every visible column in display order.
    virtual std::vector<ExportColumn> VisibleColumns() const = 0;

    // The grid stops repainting and following record moves until enabled.
    virtual void DisableControls() = 0;
    virtual void EnableControls() = 0;
    // Remember the current record and the records the grid shows; bring both
    // back. Restore is called once after every Save, on success and failure.
    virtual void SavePosition() = 0;
    virtual void RestorePosition() = 0;

    // The dataset's records. First ends an edit in progress.
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual bool Eof() const = 0;
    // The value of a column's field in the current record; null when the
    // column has no field.
    virtual CellValue Value(const ExportColumn& column) const = 0;
};

}  // namespace vantrel::exporter
