#pragma once
// The export walk shared by every writer: the title row, then every record of
// the grid's dataset, each handed to a writer through its virtual operations.

#include <string>
#include <string_view>
#include <vector>

#include "ExportTypes.h"
#include "TByteStream.h"
#include "TExportGrid.h"

namespace vantrel::exporter {

class TGridExporter {
  public:
    explicit TGridExporter(TExportGrid& grid) : grid_(grid) {}
    virtual ~TGridExporter() = default;
    TGridExporter(const TGridExporter&) = delete;
    TGridExporter& operator=(const TGridExporter&) = delete;

    // Creates (or empties) the file, writes the grid into it and closes it,
    // also on failure; what was written before a failure stays in the file.
    void WriteGridToFile(const std::string& path, bool allRecords);

    // The operations every writer may fill in, in the order of the walk's
    // contract. The base header, trailer, title row and data cell write
    // nothing; the base record row fills the cell of each column in turn.
    virtual void EmitHeader() {}
    virtual void EmitTrailer() {}
    virtual void EmitTitleRow(const std::vector<TExportColumn>& /*columns*/) {}
    virtual void EmitRecordRow(const std::vector<TExportColumn>& columns);
    virtual void EmitDataCell(const TExportColumn& /*column*/, const ExportCell& /*cell*/) {}
    // The walk: header, title row, every record; the grid's position comes
    // back and its controls are enabled again on every path; the trailer
    // only after a walk without failure.
    virtual void WriteGrid(TByteStream& stream, bool allRecords);

  protected:
    TExportGrid& Grid() const { return grid_; }
    TByteStream& Stream() const { return *stream_; }
    void Put(std::string_view bytes) { stream_->Write(bytes); }
    void PutLine(std::string_view bytes);

  private:
    TExportGrid& grid_;
    TByteStream* stream_ = nullptr;
    ExportCell cell_;
};

}  // namespace vantrel::exporter
