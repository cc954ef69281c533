#pragma once
// The intake's reply to a stored report, as it goes on the wire: the text
// 谢谢提供硬件信息！再见 in code page 936. The collectors take the report as
// stored only when the reply's body is exactly these bytes, so they are
// kept here as bytes; a test checks that they are that text.

#include <string_view>

namespace vantrel::protocol {

inline constexpr std::string_view kThankYouReply =
    "\xD0\xBB\xD0\xBB\xCC\xE1\xB9\xA9\xD3\xB2\xBC\xFE\xD0\xC5\xCF\xA2\xA3\xA1\xD4\xD9\xBC\xFB";

}  // namespace vantrel::protocol
