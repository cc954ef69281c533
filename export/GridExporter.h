#pragma once
// The export walk shared by every writer: the title row, then every record of
// the grid's dataset, each handed to a writer through its virtual operations.

#include <string>
#include <string_view>
#include <vector>

#include "ByteStream.h"
#include "ExportGrid.h"
#include "ExportTypes.h"

namespace vantrel::exporter {

class GridExporter {
  public:
    explicit GridExporter(ExportGrid& grid) : grid_(grid) {}
    virtual ~GridExporter() = default;
    GridExporter(const GridExporter&) = delete;
    GridExporter& operator=(const GridExporter&) = delete;

    // Creates (or empties) the file, writes the grid into it and closes it,
    // also on failure; what was written before a failure stays in the file.
    void WriteGridToFile(const std::string& path, bool allRecords);

    // The operations every writer may fill in, in the order of the walk's
    // contract. The base header, trailer, title row and data cell write
    // nothing; the base record row fills the cell of each column in turn.
    virtual void EmitHeader() {}
    virtual void EmitTrailer() {}
    virtual void EmitTitleRow(const std::vector<ExportColumn>& /*columns*/) {}
    virtual void EmitRecordRow(const std::vector<ExportColumn>& columns);
    virtual void EmitDataCell(const ExportColumn& /*column*/, const ExportCell& /*cell*/) {}
    // The walk: header, title row, every record; the grid's position comes
    // back and its controls are enabled again on every path; the trailer
    // only after a walk without failure.
    virtual void WriteGrid(ByteStream& stream, bool allRecords);

  protected:
    ExportGrid& Grid() const { return grid_; }
    ByteStream& Stream() const { return *stream_; }
    void Put(std::string_view bytes) { stream_->Write(bytes); }
    void PutLine(std::string_view bytes);

  private:
    ExportGrid& grid_;
    ByteStream* stream_ = nullptr;
    ExportCell cell_;
};

}  // namespace vantrel::exporter
