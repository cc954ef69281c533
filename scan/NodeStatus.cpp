#include "NodeStatus.h"

#include <array>

namespace vantrel::scan {

namespace {

constexpr std::size_t kRequestLength = 50;
constexpr std::size_t kNameLength = 15;
constexpr std::size_t kEntryLength = 18;
constexpr std::size_t kUnitIdLength = 6;
// From the marker: 3 marker bytes, TTL (4), RDLENGTH (2), then NUM_NAMES.
constexpr std::size_t kNumNamesOffset = 9;
constexpr std::size_t kFirstEntryOffset = 10;
constexpr std::uint8_t kServerSuffix = 0x20;
constexpr std::uint8_t kGroupBit = 0x80;

constexpr std::array<char, kRequestLength> MakeRequest() {
    std::array<char, kRequestLength> request{};
    request[5] = 0x01;   // QDCOUNT 1
    request[12] = 0x20;  // length of the encoded name
    // "*" and fifteen 0x00 bytes, each half-byte + 'A': "CK" then thirty "A".
    request[13] = 'C';
    request[14] = 'K';
    for (std::size_t i = 15; i < 45; ++i) {
        request[i] = 'A';
    }
    request[47] = 0x21;  // QUESTION_TYPE NBSTAT
    request[49] = 0x01;  // QUESTION_CLASS IN
    return request;
}

constexpr std::array<char, kRequestLength> kRequest = MakeRequest();

// Offset of the first 21 00 01 at offset 1 or later; `length` when none.
std::size_t FindMarker(const std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 1; i + 3 <= length; ++i) {
        if (data[i] == 0x21 && data[i + 1] == 0x00 && data[i + 2] == 0x01) {
            return i;
        }
    }
    return length;
}

// The name bytes with 0x00-0x20 as spaces. Every trail byte of code page
// 936 is 0x40 or above, so this byte rule never touches half a character.
std::string NameText(const std::uint8_t* name) {
    std::string text(kNameLength, ' ');
    for (std::size_t i = 0; i < kNameLength; ++i) {
        if (name[i] > 0x20) {
            text[i] = static_cast<char>(name[i]);
        }
    }
    return text;
}

}  // namespace

std::string_view NodeStatusRequest() {
    return {kRequest.data(), kRequest.size()};
}

std::string MacText(const std::uint8_t* unitId) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kUnitIdLength * 3 - 1);
    for (std::size_t i = 0; i < kUnitIdLength; ++i) {
        if (i > 0) {
            text += '.';
        }
        text += kHex[unitId[i] >> 4];
        text += kHex[unitId[i] & 0x0F];
    }
    return text;
}

std::optional<NodeStatusAnswer> DecodeNodeStatusAnswer(const std::uint8_t* datagram,
                                                       std::size_t length) {
    const std::size_t marker = FindMarker(datagram, length);
    if (marker + kFirstEntryOffset > length) {
        return std::nullopt;
    }
    const std::size_t names = datagram[marker + kNumNamesOffset];
    const std::size_t entries = marker + kFirstEntryOffset;
    const std::size_t unitId = entries + names * kEntryLength;
    if (names == 0 || unitId + kUnitIdLength > length) {
        return std::nullopt;
    }
    NodeStatusAnswer answer;
    for (std::size_t k = 0; k < names; ++k) {
        const std::uint8_t* entry = datagram + entries + k * kEntryLength;
        const bool unique = (entry[kNameLength + 1] & kGroupBit) == 0;
        if (unique && entry[kNameLength] == kServerSuffix) {
            answer.name = NameText(entry);
        }
    }
    answer.mac = MacText(datagram + unitId);
    return answer;
}

}  // namespace vantrel::scan
