#pragma once
// The seventeen columns of table ip that the program names, in the table's
// order, with their titles in the inventory grid (code page 936).

#include <array>
#include <string_view>

namespace vantrel::store {

struct IpColumn {
    std::string_view name;
    std::string_view gridTitle;
};

inline constexpr std::array<IpColumn, 17> kIpColumns{{
    {"pcname", "PC\xc3\xfb"},                                        // PC名
    {"username", "\xca\xb9\xd3\xc3\xd5\xdf"},                        // 使用者
    {"mac", "MAC\xb5\xd8\xd6\xb7"},                                  // MAC地址
    {"ip", "IP\xb5\xd8\xd6\xb7"},                                    // IP地址
    {"cpu", "CPU"},                                                  //
    {"board", "\xd6\xf7\xb0\xe5"},                                   // 主板
    {"os", "\xb2\xd9\xd7\xf7\xcf\xb5\xcd\xb3"},                      // 操作系统
    {"pctype", "PC\xbb\xfa\xd0\xcd"},                                // PC机型
    {"rammax", "\xc4\xda\xb4\xe6"},                                  // 内存
    {"rammin", "\xbf\xc9\xd3\xc3\xce\xef\xc0\xed\xc4\xda\xb4\xe6"},  // 可用物理内存
    {"bios", "BIOS\xba\xc5"},                                        // BIOS号
    {"bm", "\xb2\xbf\xc3\xc5"},                                      // 部门
    {"dh", "\xb5\xe7\xbb\xb0"},                                      // 电话
    {"bz", "\xb1\xb8\xd7\xa2"},                                      // 备注
    {"yp", "\xd3\xb2\xc5\xcc"},                                      // 硬盘
    {"xk", "\xcf\xd4\xbf\xa8"},                                      // 显卡
    {"djsj", "\xb5\xc7\xbc\xc7\xca\xb1\xbc\xe4"},                    // 登记时间
}};

// Grid title of a column, the name matched ignoring ASCII case; the name
// itself when the program does not name such a column.
std::string_view GridTitleOf(std::string_view column);

}  // namespace vantrel::store
