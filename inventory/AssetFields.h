#pragma once
// The administrator's own record of a PC beside what its reports tell: the
// asset number, status, location, purchase, price and warranty. The fields
// are listed once here with their column in table ip_asset, the name their
// changes carry in ip_history and their title; the rules for what each
// field accepts live here too, so that the window, the batch and the
// spreadsheet import refuse the same values for the same reasons.

#include <array>
#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vantrel::inventory {

enum class AssetField {
    assetno,
    status,
    location,
    purchasedate,
    supplier,
    price,
    warrantyend,
    remark,
};

struct AssetFieldInfo {
    AssetField field;
    std::string_view column;        // of ip_asset
    std::string_view historyField;  // ip_history.field of its changes
    std::string_view title;         // UTF-8
    bool isDate;
};

inline constexpr std::array<AssetFieldInfo, 8> kAssetFields{{
    {AssetField::assetno, "assetno", "assetno", "资产编号", false},
    {AssetField::status, "status", "status", "状态", false},
    {AssetField::location, "location", "location", "存放位置", false},
    {AssetField::purchasedate, "purchasedate", "purchasedate", "购置日期", true},
    {AssetField::supplier, "supplier", "supplier", "供应商", false},
    {AssetField::price, "price", "price", "价格", false},
    {AssetField::warrantyend, "warrantyend", "warrantyend", "保修到期", true},
    {AssetField::remark, "remark", "assetremark", "资产备注", false},
}};
inline constexpr std::size_t kAssetFieldCount = kAssetFields.size();

constexpr std::size_t IndexOf(AssetField field) {
    return static_cast<std::size_t>(field);
}
// The field's title in GBK.
const std::string& AssetTitle(AssetField field);

// One PC's record, GBK, by field. A PC without a record reads as
// DefaultAssetValues(): status 在用, everything else empty.
using AssetValues = std::array<std::string, kAssetFieldCount>;
AssetValues DefaultAssetValues();

// The statuses in the order the boxes list them (GBK): 在用, 备用, 维修, 报废.
const std::array<std::string, 4>& AssetStatuses();
const std::string& RetiredStatus();  // 报废
const std::string& InUseStatus();    // 在用

// Longest value a text field takes (bytes of GBK).
inline constexpr std::size_t kMaxAssetValueBytes = 255;
inline constexpr std::size_t kMaxAssetRemarkBytes = 4000;

// "YYYY-MM-DD" of a real date from "YYYY-M-D" with "-", "/" or "." between
// the parts, a time after it ignored, or from "YYYYMMDD"; nullopt otherwise.
std::optional<std::string> NormalDate(std::string_view text);
// A price with two decimal places ("1234.50") from digits with at most two
// decimals, thousands separators "," and a leading "￥" allowed; nullopt
// for anything else, a negative amount included.
std::optional<std::string> NormalPrice(std::string_view gbk);

// Checks a value typed or imported for `field` (GBK, blanks around it
// trimmed) and puts it in its stored form: a date as YYYY-MM-DD, a price
// with two places. Returns why it is refused (GBK), or "" when it is
// taken. An empty value is taken for every field but the status.
std::string NormalizeAssetValue(AssetField field, std::string& value);

// What the overview and the grid need of a record.
struct AssetFacts {
    std::string status;
    std::string warrantyEnd;  // "YYYY-MM-DD" or ""
    bool operator==(const AssetFacts&) const = default;
};
// Every record, by the key its PC's history is kept under (ASCII case
// folded, so that a MAC matches whatever case its row holds it in).
class AssetIndex {
  public:
    void Add(std::string_view key, AssetFacts facts);
    // The record of a row: keyed by its MAC, or, for a row without one,
    // by its address and PC name as the history keys such rows.
    const AssetFacts* Find(std::string_view mac, std::string_view ip,
                           std::string_view pcname) const;
    bool IsRetired(std::string_view mac, std::string_view ip, std::string_view pcname) const;
    std::size_t Size() const { return records_.size(); }
    std::size_t RetiredCount() const { return retired_; }
    bool operator==(const AssetIndex& other) const { return records_ == other.records_; }
    // Records whose warranty ends within the warning days as of `today`, and
    // whether any record has a warranty end at all; retired PCs aside.
    std::size_t WarrantiesEndingSoon(const std::tm& today, bool* anyWarranty = nullptr) const;

  private:
    std::unordered_map<std::string, AssetFacts> records_;
    std::size_t retired_ = 0;
};

// The event log's line at start-up: "保修提醒：n 台电脑的保修将在 30 天内到期"
// (GBK); "" when no record has a warranty end.
std::string WarrantyStartupLine(const AssetIndex& index, const std::tm& today);

enum class WarrantyState { None, Covered, EndsSoon, Ended };
// A warranty ending on `end` as of `today`: EndsSoon when it ends within
// the next 30 days (today included), Ended when the day is past.
WarrantyState WarrantyOf(std::string_view end, const std::tm& today);
inline constexpr int kWarrantyWarningDays = 30;

}  // namespace vantrel::inventory
