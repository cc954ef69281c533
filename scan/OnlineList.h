#pragma once
// The online list: header row 0, one row per answering host in arrival
// order, and an empty last row that the prober fills next, so the row count
// is the number of results plus 2. Main thread only.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::scan {

class OnlineList {
  public:
    static constexpr std::size_t kColumns = 4;
    static constexpr std::size_t kColName = 0;
    static constexpr std::size_t kColAddress = 1;
    static constexpr std::size_t kColMac = 2;
    static constexpr std::size_t kColStatus = 3;

    // Designed with two rows: the header and the empty slot, both empty.
    OnlineList();

    std::size_t RowCount() const { return rows_.size(); }
    // Number of results: row count - 2.
    std::size_t ResultCount() const { return rows_.size() - 2; }
    // "" outside the list.
    const std::string& Cell(std::size_t col, std::size_t row) const;
    // Ignored outside the list.
    void SetCell(std::size_t col, std::size_t row, std::string text);

    // Row 0 gets "PC主机名", "IP地址", "MAC地址", "填报状态" (GBK).
    void WriteHeader();
    // Drops every data row: row 0 and one empty row remain.
    void Reset();
    // Writes columns 0-2 of the last row and adds a new empty last row.
    void FillSlot(std::string name, std::string address, std::string mac);
    // Every row 1..count-2 whose column 1 equals `address` byte for byte
    // gets column 3 := user + " 已提交". Returns the rows marked.
    std::vector<std::size_t> MarkReported(std::string_view address, std::string_view user);

  private:
    std::vector<std::array<std::string, kColumns>> rows_;
};

}  // namespace vantrel::scan
