#include "AssetFields.h"

#include <cstdio>

#include "Gbk.h"
#include "GbkLiteral.h"

namespace vantrel::inventory {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// Reads 1 to `most` digits at `i`; -1 when there are none or more.
int ReadNumber(std::string_view text, std::size_t& i, std::size_t most) {
    const std::size_t start = i;
    int value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        if (i - start == most) {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
        ++i;
    }
    return i == start ? -1 : value;
}

std::string DateText(int year, int month, int day) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    return buffer;
}

std::string FoldedKey(std::string_view mac, std::string_view ip, std::string_view pcname) {
    if (!mac.empty()) {
        return text::AsciiLower(mac);
    }
    // A row without a MAC is keyed as its history is: address and PC name.
    std::string key = "no-mac\t";
    key += ip;
    key += '\t';
    key += pcname;
    return text::AsciiLower(key);
}

}  // namespace

const std::string& AssetTitle(AssetField field) {
    static const std::array<std::string, kAssetFieldCount> kTitles = [] {
        std::array<std::string, kAssetFieldCount> titles;
        for (const AssetFieldInfo& info : kAssetFields) {
            titles[IndexOf(info.field)] = text::Utf8ToGbkExact(
                {reinterpret_cast<const char8_t*>(info.title.data()), info.title.size()});
        }
        return titles;
    }();
    return kTitles[IndexOf(field)];
}

AssetValues DefaultAssetValues() {
    AssetValues values;
    values[IndexOf(AssetField::status)] = InUseStatus();
    return values;
}

const std::array<std::string, 4>& AssetStatuses() {
    static const std::array<std::string, 4> kStatuses{u8"在用"_gbk, u8"备用"_gbk, u8"维修"_gbk,
                                                      u8"报废"_gbk};
    return kStatuses;
}

const std::string& RetiredStatus() {
    return AssetStatuses()[3];
}

const std::string& InUseStatus() {
    return AssetStatuses()[0];
}

std::optional<std::string> NormalDate(std::string_view text) {
    text = text::TrimBlanks(text);
    int year = 0;
    int month = 0;
    int day = 0;
    std::size_t i = 0;
    if (text.size() == 8 && ReadNumber(text, i, 8) >= 0 && i == 8) {
        year =
            (text[0] - '0') * 1000 + (text[1] - '0') * 100 + (text[2] - '0') * 10 + text[3] - '0';
        month = (text[4] - '0') * 10 + text[5] - '0';
        day = (text[6] - '0') * 10 + text[7] - '0';
    } else {
        i = 0;
        year = ReadNumber(text, i, 4);
        if (year < 0 || i != 4 || i >= text.size()) {
            return std::nullopt;
        }
        const char separator = text[i];
        if (separator != '-' && separator != '/' && separator != '.') {
            return std::nullopt;
        }
        ++i;
        month = ReadNumber(text, i, 2);
        if (month < 0 || i >= text.size() || text[i] != separator) {
            return std::nullopt;
        }
        ++i;
        day = ReadNumber(text, i, 2);
        // A time may follow after a blank, as spreadsheets write dates.
        if (day < 0 || (i < text.size() && text[i] != ' ' && text[i] != 'T')) {
            return std::nullopt;
        }
    }
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    return DateText(year, month, day);
}

std::optional<std::string> NormalPrice(std::string_view gbk) {
    std::string_view text = text::TrimBlanks(gbk);
    if (text.starts_with(u8"￥"_gbk)) {
        text = text::TrimBlanks(text.substr(u8"￥"_gbk.size()));
    }
    std::string whole;
    std::string cents;
    bool point = false;
    for (const char c : text) {
        if (c == ',' && !point && !whole.empty()) {
            continue;
        }
        if (c == '.' && !point) {
            point = true;
        } else if (!IsDigit(c)) {
            return std::nullopt;
        } else if (point) {
            cents += c;
        } else {
            whole += c;
        }
    }
    constexpr std::size_t kMaxWholeDigits = 12;
    if (whole.empty() || cents.size() > 2 || (point && cents.empty())) {
        return std::nullopt;
    }
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    if (whole.size() > kMaxWholeDigits) {
        return std::nullopt;
    }
    cents.resize(2, '0');
    return whole + "." + cents;
}

std::string NormalizeAssetValue(AssetField field, std::string& value) {
    value = std::string(text::TrimBlanks(value));
    const std::size_t most =
        field == AssetField::remark ? kMaxAssetRemarkBytes : kMaxAssetValueBytes;
    if (value.size() > most) {
        return AssetTitle(field) + u8"太长（最多 "_gbk + std::to_string(most) + u8" 字节）"_gbk;
    }
    if (!text::IsValidGbk(value)) {
        return AssetTitle(field) + u8"含有无效的字符"_gbk;
    }
    if (field == AssetField::status) {
        for (const std::string& status : AssetStatuses()) {
            if (value == status) {
                return "";
            }
        }
        return u8"状态“"_gbk + value + u8"”不是 在用、备用、维修、报废 之一"_gbk;
    }
    if (value.empty()) {
        return "";
    }
    if (field == AssetField::purchasedate || field == AssetField::warrantyend) {
        const std::optional<std::string> date = NormalDate(value);
        if (!date) {
            return AssetTitle(field) + u8"“"_gbk + value +
                   u8"”不是有效的日期（应为 YYYY-MM-DD）"_gbk;
        }
        value = *date;
    } else if (field == AssetField::price) {
        const std::optional<std::string> price = NormalPrice(value);
        if (!price) {
            return u8"价格“"_gbk + value + u8"”不是金额（非负数，最多两位小数）"_gbk;
        }
        value = *price;
    }
    return "";
}

void AssetIndex::Add(std::string_view key, AssetFacts facts) {
    AssetFacts& slot = records_[text::AsciiLower(key)];
    retired_ -= slot.status == RetiredStatus() ? 1 : 0;
    retired_ += facts.status == RetiredStatus() ? 1 : 0;
    slot = std::move(facts);
}

std::size_t AssetIndex::WarrantiesEndingSoon(const std::tm& today, bool* anyWarranty) const {
    std::size_t soon = 0;
    bool any = false;
    for (const auto& [key, facts] : records_) {
        if (facts.status == RetiredStatus() || facts.warrantyEnd.empty()) {
            continue;
        }
        any = true;
        soon += WarrantyOf(facts.warrantyEnd, today) == WarrantyState::EndsSoon ? 1 : 0;
    }
    if (anyWarranty != nullptr) {
        *anyWarranty = any;
    }
    return soon;
}

std::string WarrantyStartupLine(const AssetIndex& index, const std::tm& today) {
    bool any = false;
    const std::size_t soon = index.WarrantiesEndingSoon(today, &any);
    if (!any) {
        return "";
    }
    return u8"保修提醒："_gbk + std::to_string(soon) + u8" 台电脑的保修将在 30 天内到期"_gbk;
}

const AssetFacts* AssetIndex::Find(std::string_view mac, std::string_view ip,
                                   std::string_view pcname) const {
    if (records_.empty()) {
        return nullptr;
    }
    const auto found = records_.find(FoldedKey(mac, ip, pcname));
    return found == records_.end() ? nullptr : &found->second;
}

bool AssetIndex::IsRetired(std::string_view mac, std::string_view ip,
                           std::string_view pcname) const {
    const AssetFacts* facts = Find(mac, ip, pcname);
    return facts != nullptr && facts->status == RetiredStatus();
}

WarrantyState WarrantyOf(std::string_view end, const std::tm& today) {
    const std::optional<std::string> date = NormalDate(end);
    if (!date) {
        return WarrantyState::None;
    }
    std::tm limit = today;
    limit.tm_mday += kWarrantyWarningDays;
    limit.tm_hour = 12;  // clear of a daylight-saving shift
    std::mktime(&limit);
    const std::string now = DateText(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday);
    const std::string last = DateText(limit.tm_year + 1900, limit.tm_mon + 1, limit.tm_mday);
    if (*date < now) {
        return WarrantyState::Ended;
    }
    return *date <= last ? WarrantyState::EndsSoon : WarrantyState::Covered;
}

}  // namespace vantrel::inventory
