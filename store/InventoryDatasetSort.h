#pragma once
// The grid's sort order of text values: code page 936 bytes compared
// unsigned, except that a run of ASCII digits compares by its value, so that
// 2.00 GB comes before 16.0 GB and 192.168.1.9 before 192.168.1.10. Nulls
// come before every text; the dataset handles them.

#include <string>
#include <string_view>

namespace vantrel::store {

// Appends to `key` the bytes whose unsigned comparison gives the sort
// order: each digit run becomes one byte for its count of digits without
// leading zeros ('0' + count up to 8; '9' and four bytes of count beyond),
// then those digits; every other character is kept, a double-byte one
// whole. Runs of equal value compare equal ("007" and "7").
void AppendSortKey(std::string& key, std::string_view text);

// <0, 0, >0 as `a` sorts before, with or after `b`.
int CompareForSort(std::string_view a, std::string_view b);

}  // namespace vantrel::store
