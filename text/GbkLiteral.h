#pragma once
// Chinese text written readable in the source: u8"保存成功！"_gbk is the
// code page 936 (GBK) bytes of that UTF-8 literal, as the program uses
// them. Each literal is converted once, at its first use, and kept; one
// that GBK cannot hold exactly throws instead of turning into '?'.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

namespace text {

// The GBK bytes of `utf8`, exactly. Throws std::logic_error naming the text
// when it is not valid UTF-8 or holds a character GBK has no code for.
std::string Utf8ToGbkExact(std::u8string_view utf8);

// A u8 string literal as a template argument.
template <std::size_t N>
struct Utf8Literal {
    consteval Utf8Literal(const char8_t (&text)[N]) { std::copy_n(text, N, chars); }
    constexpr std::u8string_view View() const { return {chars, N - 1}; }
    char8_t chars[N]{};
};

}  // namespace text

// In namespace vantrel so that every module finds it without a using.
template <text::Utf8Literal literal>
const std::string& operator""_gbk() {
    static const std::string gbk = text::Utf8ToGbkExact(literal.View());
    return gbk;
}

}  // namespace vantrel
