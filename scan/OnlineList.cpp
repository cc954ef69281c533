#include "OnlineList.h"
#include "GbkLiteral.h"

namespace vantrel::scan {

namespace {
const std::string kEmpty;
// GBK bytes of the header texts and of " 已提交".
const std::string& kHeaderName = u8"PC主机名"_gbk;
const std::string& kHeaderAddress = u8"IP地址"_gbk;
const std::string& kHeaderMac = u8"MAC地址"_gbk;
const std::string& kHeaderStatus = u8"填报状态"_gbk;
const std::string& kReportedSuffix = u8" 已提交"_gbk;
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
