#include "ColumnMapping.h"

#include <array>

#include "ColumnTitles.h"
#include "Gbk.h"
#include "ImportMessages.h"
#include "IpColumns.h"

namespace vantrel::import {

namespace {

struct Synonym {
    std::string_view utf8;
    std::string_view column;
};

// Titles offices give these columns in their own lists, and the labels
// of the search field list.
constexpr std::array<Synonym, 34> kSynonyms{{
    {"计算机名", "pcname"},
    {"计算机名称", "pcname"},
    {"电脑名", "pcname"},
    {"电脑名称", "pcname"},
    {"主机名", "pcname"},
    {"pc名", "pcname"},
    {"姓名", "username"},
    {"用户", "username"},
    {"用户名", "username"},
    {"使用人", "username"},
    {"MAC", "mac"},
    {"MAC码", "mac"},
    {"网卡地址", "mac"},
    {"物理地址", "mac"},
    {"IP", "ip"},
    {"处理器", "cpu"},
    {"系统", "os"},
    {"机型", "pctype"},
    {"机型(台式/笔记本)", "pctype"},
    {"内存大小", "rammax"},
    {"BIOS", "bios"},
    {"部门名称", "bm"},
    {"所属部门", "bm"},
    {"科室", "bm"},
    {"电话号码", "dh"},
    {"联系电话", "dh"},
    {"分机", "dh"},
    {"说明", "bz"},
    {"硬盘大小", "yp"},
    {"显示卡", "xk"},
    {"登记日期", "djsj"},
    {"日期", "djsj"},
    {"可用内存", "rammin"},
    {"主板型号", "board"},
}};

// Titles offices give the asset fields in their ledgers.
constexpr std::array<Synonym, 14> kAssetSynonyms{{
    {"资产号", "assetno"},
    {"固定资产编号", "assetno"},
    {"资产状态", "status"},
    {"位置", "location"},
    {"存放地点", "location"},
    {"使用地点", "location"},
    {"采购日期", "purchasedate"},
    {"购买日期", "purchasedate"},
    {"保修截止", "warrantyend"},
    {"保修截止日期", "warrantyend"},
    {"保修到期日", "warrantyend"},
    {"金额", "price"},
    {"单价", "price"},
    {"供货商", "supplier"},
}};

std::optional<std::size_t> AssetColumnOf(std::string_view column) {
    for (std::size_t f = 0; f < inventory::kAssetFieldCount; ++f) {
        if (inventory::kAssetFields[f].column == column) {
            return kAssetColumnBase + f;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<inventory::AssetField> AssetFieldOf(std::size_t mapped) {
    if (mapped < kAssetColumnBase || mapped >= kMappedColumns) {
        return std::nullopt;
    }
    return inventory::kAssetFields[mapped - kAssetColumnBase].field;
}

std::string MappedTitle(std::size_t mapped) {
    if (const std::optional<inventory::AssetField> field = AssetFieldOf(mapped)) {
        return inventory::AssetTitle(*field);
    }
    return std::string(inventory::GridTitleOf(protocol::kIpColumns[mapped].name));
}

std::string NormalizedTitle(std::string_view gbk) {
    std::string out;
    for (std::size_t i = 0; i < gbk.size();) {
        const std::size_t length = text::CharLength(gbk, i);
        if (length == 2) {
            const auto lead = static_cast<unsigned char>(gbk[i]);
            const auto trail = static_cast<unsigned char>(gbk[i + 1]);
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                out += text::AsciiLower(static_cast<char>(trail - 0x80));  // full-width ASCII
            } else if (!(lead == 0xA1 && trail == 0xA1)) {                 // full-width space
                out.append(gbk.substr(i, 2));
            }
        } else if (gbk[i] != ' ' && gbk[i] != '\t' && gbk[i] != '\r' && gbk[i] != '\n') {
            out += text::AsciiLower(gbk[i]);
        }
        i += length;
    }
    return out;
}

std::optional<std::size_t> ColumnOfTitle(std::string_view gbkTitle) {
    const std::string title = NormalizedTitle(gbkTitle);
    if (title.empty()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < protocol::kIpColumns.size(); ++i) {
        const protocol::IpColumn& column = protocol::kIpColumns[i];
        if (title == NormalizedTitle(inventory::GridTitleOf(column.name)) ||
            title == NormalizedTitle(column.name)) {
            return i;
        }
    }
    for (const Synonym& synonym : kSynonyms) {
        if (title == NormalizedTitle(messages::Gbk(synonym.utf8))) {
            return protocol::IpColumnIndex(synonym.column);
        }
    }
    // The asset fields by their titles (资产编号, 状态, 存放位置, 购置日期,
    // 供应商, 价格, 保修到期, 资产备注) and their synonyms.
    for (const inventory::AssetFieldInfo& info : inventory::kAssetFields) {
        if (title == NormalizedTitle(inventory::AssetTitle(info.field))) {
            return AssetColumnOf(info.column);
        }
    }
    for (const Synonym& synonym : kAssetSynonyms) {
        if (title == NormalizedTitle(messages::Gbk(synonym.utf8))) {
            return AssetColumnOf(synonym.column);
        }
    }
    return std::nullopt;
}

ColumnMapping MapTitles(const std::vector<std::string>& titles) {
    ColumnMapping mapping;
    std::array<bool, kMappedColumns> taken{};
    for (const std::string& title : titles) {
        std::optional<std::size_t> column = ColumnOfTitle(title);
        if (column && taken[*column]) {
            column.reset();
        }
        if (column) {
            taken[*column] = true;
        }
        mapping.push_back(column);
    }
    return mapping;
}

}  // namespace vantrel::import
