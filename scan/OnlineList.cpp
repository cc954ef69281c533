#include "OnlineList.h"

namespace vantrel::scan {

namespace {
const std::string kEmpty;
// GBK bytes of the header texts and of " 已提交".
const char kHeaderName[] = "PC\xD6\xF7\xBB\xFA\xC3\xFB";          // PC主机名
const char kHeaderAddress[] = "IP\xB5\xD8\xD6\xB7";               // IP地址
const char kHeaderMac[] = "MAC\xB5\xD8\xD6\xB7";                  // MAC地址
const char kHeaderStatus[] = "\xCC\xEE\xB1\xA8\xD7\xB4\xCC\xAC";  // 填报状态
const char kReportedSuffix[] = " \xD2\xD1\xCC\xE1\xBD\xBB";       // " 已提交"
}  // namespace

OnlineList::OnlineList() : rows_(2) {}

const std::string& OnlineList::Cell(std::size_t col, std::size_t row) const {
    if (col >= kColumns || row >= rows_.size()) {
        return kEmpty;
    }
    return rows_[row][col];
}

void OnlineList::SetCell(std::size_t col, std::size_t row, std::string text) {
    if (col < kColumns && row < rows_.size()) {
        rows_[row][col] = std::move(text);
    }
}

void OnlineList::WriteHeader() {
    rows_[0] = {kHeaderName, kHeaderAddress, kHeaderMac, kHeaderStatus};
}

void OnlineList::Reset() {
    rows_.resize(1);
    rows_.emplace_back();
}

void OnlineList::FillSlot(std::string name, std::string address, std::string mac) {
    auto& slot = rows_.back();
    slot[kColName] = std::move(name);
    slot[kColAddress] = std::move(address);
    slot[kColMac] = std::move(mac);
    rows_.emplace_back();
}

std::vector<std::size_t> OnlineList::MarkReported(std::string_view address, std::string_view user) {
    std::vector<std::size_t> marked;
    std::string mark(user);
    mark += kReportedSuffix;
    for (std::size_t r = 1; r + 1 < rows_.size(); ++r) {
        if (rows_[r][kColAddress] == address) {
            rows_[r][kColStatus] = mark;
            marked.push_back(r);
        }
    }
    return marked;
}

}  // namespace vantrel::scan
