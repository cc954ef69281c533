#pragma once
// The NetBIOS node-status query and the decoding of its answers (RFC 1002,
// NODE STATUS REQUEST and NODE STATUS RESPONSE).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::scan {

// The 50-byte request sent unchanged to every address: transaction id 0, a
// unicast query for the name "*" of type NBSTAT, class IN.
std::string_view NodeStatusRequest();

// What one answer yields for the online list.
struct NodeStatusAnswer {
    // 15 bytes of the last unique name with suffix 0x20, bytes 0x00-0x20
    // shown as spaces; empty when the table holds no such name.
    std::string name;
    // The six UNIT_ID bytes as "00.1A.2B.3C.4D.5E".
    std::string mac;
};

// Decodes an answer from its received bytes only. The answer is found by the
// first 21 00 01 at offset 1 or later (RR_TYPE low byte and RR_CLASS); the
// name table and UNIT_ID follow it at fixed distances. Nothing is returned
// for a datagram without that marker, with no names, or whose name table or
// UNIT_ID reaches past `length`.
std::optional<NodeStatusAnswer> DecodeNodeStatusAnswer(const std::uint8_t* datagram,
                                                       std::size_t length);

// The six bytes as two uppercase hex digits each, joined by ".".
std::string MacText(const std::uint8_t* unitId);

}  // namespace vantrel::scan
