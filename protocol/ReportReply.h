#pragma once
// The intake's reply to a stored report. The collectors take the report as
// stored only when the reply's body is exactly these bytes.

#include <string>

#include "GbkLiteral.h"

namespace vantrel::protocol {

inline const std::string& kThankYouReply = u8"谢谢提供硬件信息！再见"_gbk;

}  // namespace vantrel::protocol
