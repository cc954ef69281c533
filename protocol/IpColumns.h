#pragma once
// The seventeen columns of table ip, in the table's order, and everything
// that is said about each of them once: the name of its value in a report
// sent to /post, its title in the inventory grid (and in exports), its place
// and width there, its place and label in the search field list, whether
// it tells what the PC is (a change of it stands out in the event log), and
// whether its changes are kept out of the history. Titles and labels are
// UTF-8; the program converts them once.

#include <array>
#include <cstddef>
#include <iterator>
#include <string_view>
#include <utility>

namespace vantrel::protocol {

struct IpColumn {
    std::string_view name;         // column of table ip
    std::string_view formField;    // report value sent to /post; "" for none
    std::string_view title;        // grid title and export header
    int gridPlace;                 // 0-based place among the grid's columns
    int gridWidth;                 // pixels; 0: the grid's default for a date and time
    int searchPlace;               // place in the search field list; -1: not searched
    std::string_view searchLabel;  // label in the search field list
    bool hardware;                 // tells what the PC is rather than who uses it and where
    // A momentary figure that differs at every report: the row takes the
    // new value, but neither the change history nor the change alarm sees
    // it, so that it cannot push a PC's real changes out of the history.
    bool keptOutOfHistory = false;
};

inline constexpr std::size_t kIpColumnCount = 17;

// clang-format off
inline constexpr std::array<IpColumn, kIpColumnCount> kIpColumns{{
    // name       form field     title           grid  width search label
    {"pcname",   "xipName",     "PC名",          14,   59,   2,   "pc名",              false},
    {"username", "xipUserName", "使用者",         1,   50,   1,   "使用者",            false},
    {"mac",      "xipMac",      "MAC地址",        3,   97,   3,   "MAC码",             false},
    {"ip",       "xipIp",       "IP地址",         2,   82,   4,   "IP地址",            false},
    {"cpu",      "xipCpu",      "CPU",            4,  129,   5,   "CPU",               true},
    {"board",    "xipBoard",    "主板",           5,   74,   6,   "主板",              true},
    {"os",       "xipOs",       "操作系统",      11,  119,   9,   "操作系统",          true},
    {"pctype",   "xipDorl",     "PC机型",        10,   52,   8,   "机型(台式/笔记本)", true},
    {"rammax",   "xipRammax",   "内存",           6,   59,  10,   "内存",              true},
    {"rammin",   "xipRammin",   "可用物理内存",  12,   82,  -1,   "",                  false, true},
    {"bios",     "xipBios",     "BIOS号",         9,   70,   7,   "BIOS",              true},
    {"bm",       "bm",          "部门",           0,   62,   0,   "部门",              false},
    {"dh",       "dh",          "电话",          15,   60,  12,   "电话",              false},
    {"bz",       "bz",          "备注",          16,   60,  -1,   "",                  false},
    {"yp",       "xipYp",       "硬盘",           7,   60,  -1,   "",                  true},
    {"xk",       "xipXk",       "显卡",           8,   80,  -1,   "",                  true},
    {"djsj",     "",            "登记时间",      13,    0,  11,   "登记时间",          false},
}};
// clang-format on

// The columns by name, in the table's order, so that code names a column
// rather than its place; IpColumnsNamedInOrder checks the order.
enum class IpColumnId : std::size_t {
    pcname,
    username,
    mac,
    ip,
    cpu,
    board,
    os,
    pctype,
    rammax,
    rammin,
    bios,
    bm,
    dh,
    bz,
    yp,
    xk,
    djsj,
};

// Index into kIpColumns of a column.
constexpr std::size_t IndexOf(IpColumnId id) {
    return static_cast<std::size_t>(id);
}
constexpr const IpColumn& ColumnOf(IpColumnId id) {
    return kIpColumns[IndexOf(id)];
}

// The column a report is stored under.
inline constexpr std::size_t kKeyColumn = IndexOf(IpColumnId::mac);

// Number of columns in the search field list.
inline constexpr std::size_t kSearchFieldCount = 13;

// Index into kIpColumns of a column name matched ignoring ASCII case;
// kIpColumnCount when there is none.
constexpr std::size_t IpColumnIndex(std::string_view name) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < kIpColumnCount; ++i) {
        const std::string_view known = kIpColumns[i].name;
        bool same = known.size() == name.size();
        for (std::size_t k = 0; same && k < known.size(); ++k) {
            same = lower(known[k]) == lower(name[k]);
        }
        if (same) {
            return i;
        }
    }
    return kIpColumnCount;
}

// The name of a column's value in a report; "" for a column reports do not
// carry or a name that is no column.
constexpr std::string_view FormFieldOf(std::string_view column) {
    const std::size_t i = IpColumnIndex(column);
    return i < kIpColumnCount ? kIpColumns[i].formField : std::string_view();
}

// Indexes into kIpColumns in the order of the grid's columns.
constexpr std::array<std::size_t, kIpColumnCount> GridOrder() {
    std::array<std::size_t, kIpColumnCount> order{};
    for (std::size_t i = 0; i < kIpColumnCount; ++i) {
        order[static_cast<std::size_t>(kIpColumns[i].gridPlace)] = i;
    }
    return order;
}

// Indexes into kIpColumns in the order of the search field list.
constexpr std::array<std::size_t, kSearchFieldCount> SearchOrder() {
    std::array<std::size_t, kSearchFieldCount> order{};
    for (std::size_t i = 0; i < kIpColumnCount; ++i) {
        if (kIpColumns[i].searchPlace >= 0) {
            order[static_cast<std::size_t>(kIpColumns[i].searchPlace)] = i;
        }
    }
    return order;
}

// Each grid place and each search place is taken exactly once.
constexpr bool PlacesAreEachTakenOnce() {
    std::array<int, kIpColumnCount> grid{};
    std::array<int, kIpColumnCount> search{};
    std::size_t searched = 0;
    for (const IpColumn& column : kIpColumns) {
        if (column.gridPlace < 0 || column.gridPlace >= static_cast<int>(kIpColumnCount) ||
            ++grid[static_cast<std::size_t>(column.gridPlace)] > 1) {
            return false;
        }
        if (column.searchPlace >= 0) {
            if (column.searchPlace >= static_cast<int>(kSearchFieldCount) ||
                ++search[static_cast<std::size_t>(column.searchPlace)] > 1) {
                return false;
            }
            ++searched;
        }
    }
    return searched == kSearchFieldCount;
}
static_assert(PlacesAreEachTakenOnce());

// Each IpColumnId names the column at its index.
constexpr bool IpColumnsNamedInOrder() {
    using enum IpColumnId;
    constexpr std::pair<IpColumnId, std::string_view> kNamed[] = {
        {pcname, "pcname"}, {username, "username"},
        {mac, "mac"},       {ip, "ip"},
        {cpu, "cpu"},       {board, "board"},
        {os, "os"},         {pctype, "pctype"},
        {rammax, "rammax"}, {rammin, "rammin"},
        {bios, "bios"},     {bm, "bm"},
        {dh, "dh"},         {bz, "bz"},
        {yp, "yp"},         {xk, "xk"},
        {djsj, "djsj"},
    };
    if (std::size(kNamed) != kIpColumnCount) {
        return false;
    }
    for (const auto& [id, name] : kNamed) {
        if (ColumnOf(id).name != name) {
            return false;
        }
    }
    return true;
}
static_assert(IpColumnsNamedInOrder());

}  // namespace vantrel::protocol
