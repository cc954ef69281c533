#include "EncodingTally.h"

#include <cstdint>
#include <cstring>

#include "Gbk.h"

namespace vantrel::text {

namespace {

// Whether eight bytes hold one past ASCII or a NUL.
bool NeedsLook(std::uint64_t word) {
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    return (word & kHigh) != 0 || ((word - kOnes) & ~word & kHigh) != 0;
}

}  // namespace

void EncodingTally::Feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const void* found = std::memchr(bytes.data(), '\n', bytes.size());
        const std::size_t end =
            found != nullptr
                ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data())
                : bytes.size();
        std::size_t i = 0;
        for (std::uint64_t word = 0; i + 8 <= end; i += 8) {
            std::memcpy(&word, bytes.data() + i, 8);
            if (NeedsLook(word)) {
                break;
            }
        }
        if (gbkTrail_ || !utf8_.Valid()) {
            Mixed(bytes.substr(0, end));  // a character goes on from the chunk before
        } else if (i < end) {
            Mixed(bytes.substr(i, end - i));
        }
        if (found == nullptr) {
            return;
        }
        EndLine();
        bytes.remove_prefix(end + 1);
    }
}

void EncodingTally::Mixed(std::string_view bytes) {
    utf8_.Feed(bytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!gbkTrail_) {
            // Runs of ASCII between the double-byte characters.
            for (std::uint64_t word = 0; i + 8 <= bytes.size(); i += 8) {
                std::memcpy(&word, bytes.data() + i, 8);
                if (NeedsLook(word)) {
                    break;
                }
            }
            if (i == bytes.size()) {
                return;
            }
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == 0 && firstNul_ == 0) {
            firstNul_ = line_;
        }
        if (b >= 0x80) {
            nonAscii_ = true;
        }
        if (gbkTrail_) {
            gbkTrail_ = false;
            gbkBad_ = gbkBad_ || b < 0x40 || b == 0x7F || b == 0xFF;
        } else if (IsLeadByte(bytes[i])) {
            gbkTrail_ = true;
        } else if (b == 0xFF) {
            gbkBad_ = true;
        }
    }
}

void EncodingTally::EndLine() {
    if (nonAscii_) {
        if (utf8_.Valid()) {
            ++utf8Lines_;
        } else {
            ++nonUtf8Lines_;
            if (firstNonUtf8_ == 0) {
                firstNonUtf8_ = line_;
            }
        }
        if ((gbkBad_ || gbkTrail_) && firstNonGbk_ == 0) {
            firstNonGbk_ = line_;
        }
    }
    ++line_;
    nonAscii_ = false;
    utf8_ = Utf8Check();
    gbkBad_ = false;
    gbkTrail_ = false;
}

void EncodingTally::Finish() {
    EndLine();
}

EncodingTally::Verdict EncodingTally::Result() const {
    if (nonUtf8Lines_ == 0) {
        return utf8Lines_ == 0 ? Verdict::Ascii : Verdict::Utf8;
    }
    // A line of GBK text is hardly ever valid UTF-8, while a line of UTF-8
    // often reads as some GBK: UTF-8 lines outnumbering the rest settle it.
    if (utf8Lines_ > nonUtf8Lines_) {
        return Verdict::MostlyUtf8;
    }
    return firstNonGbk_ == 0 ? Verdict::Gbk : Verdict::Neither;
}

}  // namespace vantrel::text
