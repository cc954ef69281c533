#include "BiffRecords.h"

#include <algorithm>
#include <cstring>

#include "GbkConvert.h"

namespace vantrel::import {

std::uint16_t Le16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t Le32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(Le16(bytes, at)) |
           static_cast<std::uint32_t>(Le16(bytes, at + 2)) << 16;
}

double LeDouble(std::string_view bytes, std::size_t at) {
    const std::uint64_t bits = static_cast<std::uint64_t>(Le32(bytes, at)) |
                               static_cast<std::uint64_t>(Le32(bytes, at + 4)) << 32;
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double RkNumber(std::uint32_t rk) {
    double value = 0;
    if ((rk & 2) != 0) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) != 0 ? value / 100 : value;
}

std::string_view BiffRecordReader::Bytes(std::size_t offset, std::size_t length) {
    if (offset < windowStart_ || offset + length > windowStart_ + window_.size()) {
        constexpr std::size_t kAhead = 256 * 1024;
        window_.clear();
        windowStart_ = offset;
        stream_->Read(offset, std::max(length, kAhead), window_);
    }
    const std::size_t at = offset - windowStart_;
    return std::string_view(window_).substr(std::min(at, window_.size()), length);
}

bool BiffRecordReader::Next(BiffRecord& record, bool* cut) {
    if (cut != nullptr) {
        *cut = false;
    }
    record.parts.clear();
    record.bytes.clear();
    if (stream_ == nullptr) {
        return false;
    }
    std::vector<std::size_t> ends;
    std::uint16_t type = 0;
    for (;;) {
        const std::string_view head = Bytes(offset_, 4);
        if (head.size() < 4) {
            break;
        }
        // Read before the body: reading it may move the window.
        const std::uint16_t headType = Le16(head, 0);
        const std::uint16_t length = Le16(head, 2);
        if (!ends.empty() && headType != biff::kContinue) {
            break;
        }
        const std::string_view body = Bytes(offset_ + 4, length);
        if (body.size() < length) {
            if (ends.empty()) {
                if (cut != nullptr) {
                    *cut = true;
                }
                offset_ = stream_->Size();
                return false;
            }
            break;  // a CONTINUE cut short is left to the next call
        }
        if (ends.empty()) {
            type = headType;
            record.offset = offset_;
        }
        record.bytes.append(body);
        ends.push_back(record.bytes.size());
        offset_ += 4 + std::size_t{length};
    }
    if (ends.empty()) {
        return false;
    }
    record.type = type;
    std::size_t begin = 0;
    for (const std::size_t end : ends) {
        record.parts.push_back(std::string_view(record.bytes).substr(begin, end - begin));
        begin = end;
    }
    return true;
}

bool BiffCursor::Ensure() {
    while (part_ < parts_.size() && at_ >= parts_[part_].size()) {
        ++part_;
        at_ = 0;
    }
    return part_ < parts_.size();
}

bool BiffCursor::U8(std::uint8_t& value) {
    if (!Ensure()) {
        return false;
    }
    value = static_cast<std::uint8_t>(parts_[part_][at_++]);
    return true;
}

bool BiffCursor::U16(std::uint16_t& value) {
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    if (!U8(low) || !U8(high)) {
        return false;
    }
    value = static_cast<std::uint16_t>(low | high << 8);
    return true;
}

bool BiffCursor::U32(std::uint32_t& value) {
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    if (!U16(low) || !U16(high)) {
        return false;
    }
    value = static_cast<std::uint32_t>(low) | static_cast<std::uint32_t>(high) << 16;
    return true;
}

bool BiffCursor::Skip(std::size_t bytes) {
    while (bytes > 0) {
        if (!Ensure()) {
            return false;
        }
        const std::size_t step = std::min(bytes, parts_[part_].size() - at_);
        at_ += step;
        bytes -= step;
    }
    return true;
}

bool BiffCursor::WideString(std::size_t count, std::uint8_t options, std::string& utf16) {
    std::uint16_t runs = 0;
    std::uint32_t phonetic = 0;
    if (((options & 0x08) != 0 && !U16(runs)) || ((options & 0x04) != 0 && !U32(phonetic))) {
        return false;
    }
    bool wide = (options & 0x01) != 0;
    std::size_t left = count;
    while (left > 0) {
        if (part_ >= parts_.size()) {
            return false;
        }
        const std::string_view part = parts_[part_];
        const std::size_t width = wide ? 2 : 1;
        const std::size_t here = std::min(left, (part.size() - std::min(at_, part.size())) / width);
        if (wide) {
            utf16.append(part.substr(at_, here * 2));
        } else {
            for (std::size_t i = 0; i < here; ++i) {
                utf16 += part[at_ + i];
                utf16 += '\0';
            }
        }
        at_ += here * width;
        left -= here;
        if (left == 0) {
            break;
        }
        // The characters go on in the next CONTINUE, whose first byte says
        // whether they are one byte or two from there.
        ++part_;
        if (part_ >= parts_.size() || parts_[part_].empty()) {
            return false;
        }
        wide = (static_cast<unsigned char>(parts_[part_][0]) & 0x01) != 0;
        at_ = 1;
    }
    return Skip(std::size_t{runs} * 4) && Skip(phonetic);
}

std::string ByteTextToGbk(std::string_view bytes, std::uint16_t codePage, std::size_t& replaced) {
    if (codePage == 936) {
        return std::string(bytes);
    }
    bool ascii = true;
    for (const char c : bytes) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (ascii) {
        return std::string(bytes);
    }
    std::string utf16;
    utf16.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        utf16 += c;
        utf16 += '\0';
    }
    return text::Utf16LeToGbk(utf16, &replaced);
}

}  // namespace vantrel::import
