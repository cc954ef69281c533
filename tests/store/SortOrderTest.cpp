// The grid's sort order of text: bytes unsigned, runs of digits by value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "InventoryDatasetSort.h"

namespace vantrel::store::testing {
namespace {

struct OrderCase {
    std::string before;
    std::string after;
    const char* why;
};

TEST(SortOrder, DigitRunsCompareByValueAndTheRestAsBytes) {
    const std::vector<OrderCase> cases = {
        {"2.00 GB", "4.00 GB", "memory"},
        {"4.00 GB", "16.0 GB", "a shorter number is smaller"},
        {"16.0 GB", "23.5 GB", "same length, first digit"},
        {"23.5 GB", "32.0 GB", "memory"},
        {"192.168.1.9", "192.168.1.10", "last octet"},
        {"192.168.2.1", "192.168.10.1", "third octet"},
        {"10.0.0.1", "192.168.0.1", "first octet"},
        {"PC-2", "PC-10", "name with a number"},
        {"PC-99", "PC-123456789012", "a run past eight digits"},
        {"PC-123456789012", "PC-123456789013", "two long runs"},
        {"PC-999999999", "PC-1000000000", "nine against ten digits"},
        {"PC-0", "PC-1", "zero"},
        {"PC-", "PC-0", "a run after the end of the other text"},
        {"PC-9", "PC-A", "a digit before a letter, as its byte is"},
        {"PC 9", "PC-1", "what precedes the run decides first"},
        {"", "0", "empty first"},
        {"A10", "a2", "letters keep their case: 'A' < 'a'"},
        {"Z", "a", "no case folding"},
        {"7", "\x80", "high bytes after digits"},
        // 财务部 then 技术部; each followed by a number.
        {"\xB2\xC6\xCE\xF1\xB2\xBF"
         "9",
         "\xB2\xC6\xCE\xF1\xB2\xBF"
         "10",
         "after a GBK text"},
        {"\xB2\xC6\xCE\xF1\xB2\xBF"
         "99",
         "\xBC\xBC\xCA\xF5\xB2\xBF"
         "1",
         "GBK text first"},
        // 丂 (81 40), whose trail byte reads as '@': the pair stays whole and
        // the number after it counts by value. A lead byte before a digit
        // (not GBK) takes the digit with it, as every GBK scan here does.
        {"\x81\x40"
         "9",
         "\x81\x40"
         "10",
         "number after a double-byte character"},
        {"\x81\x39", "\x81\x40", "a lead byte with a digit after it is kept as bytes"},
    };
    for (const OrderCase& c : cases) {
        EXPECT_LT(CompareForSort(c.before, c.after), 0) << c.why << ": " << c.before;
        EXPECT_GT(CompareForSort(c.after, c.before), 0) << c.why << ": " << c.after;
    }
}

TEST(SortOrder, EqualValuesCompareEqual) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"192.168.1.10", "192.168.1.10"},
        {"007", "7"},
        {"PC-00", "PC-0"},
        {"a01b", "a1b"},
        {"", ""},
    };
    for (const auto& [a, b] : cases) {
        EXPECT_EQ(CompareForSort(a, b), 0) << a << " / " << b;
    }
}

}  // namespace
}  // namespace vantrel::store::testing
