#pragma once
// The seventeen columns of table ip that the program names, in the table's
// order, with their titles in the inventory grid (code page 936).

#include <array>
#include <string_view>
#include "GbkLiteral.h"

namespace vantrel::store {

struct IpColumn {
    std::string_view name;
    std::string_view gridTitle;
};

inline const std::array<IpColumn, 17> kIpColumns{{
    {"pcname", u8"PC名"_gbk},
    {"username", u8"使用者"_gbk},
    {"mac", u8"MAC地址"_gbk},
    {"ip", u8"IP地址"_gbk},
    {"cpu", "CPU"},
    {"board", u8"主板"_gbk},
    {"os", u8"操作系统"_gbk},
    {"pctype", u8"PC机型"_gbk},
    {"rammax", u8"内存"_gbk},
    {"rammin", u8"可用物理内存"_gbk},
    {"bios", u8"BIOS号"_gbk},
    {"bm", u8"部门"_gbk},
    {"dh", u8"电话"_gbk},
    {"bz", u8"备注"_gbk},
    {"yp", u8"硬盘"_gbk},
    {"xk", u8"显卡"_gbk},
    {"djsj", u8"登记时间"_gbk},
}};

// Grid title of a column, the name matched ignoring ASCII case; the name
// itself when the program does not name such a column.
std::string_view GridTitleOf(std::string_view column);

}  // namespace vantrel::store
