#include "BytesFingerprint.h"

#include <array>
#include <cstring>

namespace vantrel::intake {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ULL;
constexpr std::size_t kStripe = 32;

std::uint64_t RotateLeft(std::uint64_t value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

std::uint64_t Round(std::uint64_t lane, std::uint64_t word) {
    return RotateLeft(lane + word * kPrime2, 31) * kPrime1;
}

std::uint64_t Load(const char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

void Stripe(std::array<std::uint64_t, 4>& lanes, const char* bytes) {
    for (std::size_t i = 0; i < lanes.size(); ++i) {
        lanes[i] = Round(lanes[i], Load(bytes + 8 * i));
    }
}

// Spreads every bit of `value` over the whole result.
std::uint64_t Avalanche(std::uint64_t value) {
    value ^= value >> 33;
    value *= kPrime2;
    value ^= value >> 29;
    value *= kPrime3;
    value ^= value >> 32;
    return value;
}

}  // namespace

BytesFingerprint FingerprintOf(std::string_view bytes) {
    std::array<std::uint64_t, 4> lanes{kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
    const char* at = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= kStripe; at += kStripe, left -= kStripe) {
        Stripe(lanes, at);
    }
    if (left > 0) {
        // The last bytes padded with zeros; the length below tells them
        // from a text that really ends in zeros.
        char last[kStripe] = {};
        std::memcpy(last, at, left);
        Stripe(lanes, last);
    }
    const std::uint64_t length = static_cast<std::uint64_t>(bytes.size());
    // Two different folds of the four lanes make the two halves.
    const std::uint64_t first = RotateLeft(lanes[0], 1) + RotateLeft(lanes[1], 7) +
                                RotateLeft(lanes[2], 12) + RotateLeft(lanes[3], 18);
    std::uint64_t second = length * kPrime5;
    for (std::uint64_t lane : lanes) {
        second = RotateLeft(second ^ Round(0, lane), 27) * kPrime1 + kPrime4;
    }
    return {Avalanche(first ^ length * kPrime4), Avalanche(second)};
}

}  // namespace vantrel::intake
