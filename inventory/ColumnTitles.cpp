#include "ColumnTitles.h"

#include <array>
#include <iterator>
#include <string>

#include "Gbk.h"
#include "GbkConvert.h"
#include "IpColumns.h"

namespace vantrel::inventory {

namespace {

// The facts kept beside table ip whose changes the history records too,
// with their titles (UTF-8).
struct FactTitle {
    std::string_view field;
    std::string_view title;
};
constexpr FactTitle kFactTitles[] = {
    {"maker", "厂商"},
    {"model", "型号"},
    {"serial", "序列号"},
    {"boardserial", "主板序列号"},
    {"chassisserial", "机箱序列号"},
    {"assettag", "资产标签"},
    {"uuid", "UUID"},
    {"monitor", "显示器"},
    {"mac", "MAC地址"},
    {"software", "软件"},
    {"assetno", "资产编号"},
    {"status", "状态"},
    {"location", "存放位置"},
    {"purchasedate", "购置日期"},
    {"supplier", "供应商"},
    {"price", "价格"},
    {"warrantyend", "保修到期"},
    {"assetremark", "资产备注"},
};

}  // namespace

std::string_view GridTitleOf(std::string_view column) {
    // Converted once, on first use.
    static const std::array<std::string, protocol::kIpColumnCount> titles = [] {
        std::array<std::string, protocol::kIpColumnCount> gbk;
        for (std::size_t i = 0; i < gbk.size(); ++i) {
            gbk[i] = text::Utf8ToGbk(protocol::kIpColumns[i].title);
        }
        return gbk;
    }();
    static const std::array<std::string, std::size(kFactTitles)> factTitles = [] {
        std::array<std::string, std::size(kFactTitles)> gbk;
        for (std::size_t i = 0; i < gbk.size(); ++i) {
            gbk[i] = text::Utf8ToGbk(kFactTitles[i].title);
        }
        return gbk;
    }();
    const std::size_t i = protocol::IpColumnIndex(column);
    if (i < titles.size()) {
        return titles[i];
    }
    for (std::size_t f = 0; f < factTitles.size(); ++f) {
        if (text::EqualsIgnoringAsciiCase(kFactTitles[f].field, column)) {
            return factTitles[f];
        }
    }
    return column;
}

}  // namespace vantrel::inventory
