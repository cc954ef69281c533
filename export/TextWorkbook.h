#pragma once
// An .xlsx workbook of one sheet whose cells are all texts, given in GBK
// and stored as UTF-8. It is written under a name of its own beside its
// path and renamed over the path only when complete: a failure at any
// point leaves a file of that name as it was.

#include <cstddef>
#include <string>

struct lxw_workbook;
struct lxw_worksheet;

namespace vantrel::exporter {

class TextWorkbook {
  public:
    // `constantMemory` keeps memory bounded for a long sheet: rows go to a
    // temporary file as they come, so each must follow the one before.
    // Throws ExportError when the file beside `path` cannot be made.
    TextWorkbook(const std::string& path, bool constantMemory);
    // A workbook not finished is dropped and its partial file removed.
    ~TextWorkbook();
    TextWorkbook(const TextWorkbook&) = delete;
    TextWorkbook& operator=(const TextWorkbook&) = delete;

    void SetColumnWidth(std::size_t first, std::size_t last, double width);
    void WriteText(std::size_t row, std::size_t column, const std::string& gbk);
    // Writes the workbook and puts it at the path. Throws ExportError.
    void Finish();

  private:
    void Check(int error) const;

    std::string path_;
    std::string partial_;
    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
};

}  // namespace vantrel::exporter
