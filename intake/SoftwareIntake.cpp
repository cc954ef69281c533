#include "SoftwareIntake.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "Gbk.h"
#include "GbkLiteral.h"
#include "SoftwareChanges.h"
#include "SoftwareField.h"

namespace vantrel::intake {

namespace {

// The value of the field's first entry; nullopt without one.
std::optional<std::string_view> FieldValue(const HttpRequest& request) {
    for (const std::string& entry : request.params) {
        const std::size_t equals = text::FindSingleByte(entry, '=');
        if (equals != std::string::npos &&
            text::EqualsIgnoringCase(std::string_view(entry).substr(0, equals),
                                     protocol::kSoftwareField)) {
            return std::string_view(entry).substr(equals + 1);
        }
    }
    return std::nullopt;
}

// Whether the line holds exactly kSoftwareColumns values (one tab fewer).
// The tabs are found with memchr, which passes over the text between
// them many bytes at a time.
bool HasAllValues(std::string_view line) {
    std::size_t tabs = 0;
    const char* at = line.data();
    const char* const end = at + line.size();
    while (const void* tab = std::memchr(at, '\t', static_cast<std::size_t>(end - at))) {
        if (++tabs == protocol::kSoftwareColumns) {
            return false;
        }
        at = static_cast<const char*>(tab) + 1;
    }
    return tabs + 1 == protocol::kSoftwareColumns;
}

bool IsBlankLine(std::string_view line) {
    return line.empty() || line == "\r";
}

}  // namespace

SoftwareIntake::SoftwareIntake(const HttpRequest& request, ListDigestMemo* memo) {
    const std::optional<std::string_view> field = FieldValue(request);
    if (!field) {
        return;
    }
    present_ = true;
    std::string_view value = *field;
    const std::string_view whole = value;
    std::string_view beyond;
    if (value.size() > protocol::kMaxSoftwareBytes) {
        // Only whole lines within the bound count.
        const std::size_t end = value.rfind('\n', protocol::kMaxSoftwareBytes - 1);
        const std::size_t keep = end == std::string_view::npos ? 0 : end + 1;
        beyond = value.substr(keep);
        value = value.substr(0, keep);
    }
    while (!value.empty()) {
        const std::size_t end = value.find('\n');
        const std::string_view line = value.substr(0, end);
        value.remove_prefix(end == std::string_view::npos ? value.size() : end + 1);
        if (IsBlankLine(line)) {
            continue;
        }
        // The name is the text before the first tab.
        if (!HasAllValues(line) ||
            line.substr(0, line.find('\t')).find_first_not_of(' ') == std::string_view::npos) {
            ++skipped_;
        } else if (list_.lines.size() < protocol::kMaxPrograms) {
            list_.lines.push_back(line);
        } else {
            ++dropped_;
        }
    }
    // Lines past the byte bound are not looked at, only counted.
    if (!beyond.empty()) {
        dropped_ += static_cast<std::size_t>(std::count(beyond.begin(), beyond.end(), '\n')) +
                    (beyond.back() == '\n' ? 0 : 1);
    }
    hasList_ = !list_.lines.empty();
    // Worked out here, in the connection's own thread: the store compares
    // it under the lock every report waits for. The lines kept follow from
    // the field's text alone, so a text seen before has the same digest.
    if (!hasList_) {
        return;
    }
    if (memo == nullptr) {
        list_.digest = store::SoftwareDigest(list_);
        return;
    }
    const BytesFingerprint fingerprint = FingerprintOf(whole);
    if (std::optional<std::string> known = memo->Find(fingerprint)) {
        list_.digest = std::move(*known);
    } else {
        list_.digest = store::SoftwareDigest(list_);
        memo->Remember(fingerprint, list_.digest);
    }
}

std::string SoftwareIntake::LogLine() const {
    if (!present_ || (skipped_ == 0 && dropped_ == 0 && hasList_)) {
        return {};
    }
    std::string line = "  " + u8"软件清单："_gbk;
    if (!hasList_ && skipped_ == 0) {
        return line + u8"报告未列出任何程序，保留原有清单"_gbk;
    }
    std::string separator;
    if (dropped_ != 0) {
        line += u8"只收下前 "_gbk + std::to_string(list_.lines.size()) + u8" 项，另有 "_gbk +
                std::to_string(dropped_) + u8" 项超出上限未收"_gbk;
        separator = u8"；"_gbk;
    }
    if (skipped_ != 0) {
        line += separator + u8"跳过格式不对的 "_gbk + std::to_string(skipped_) + u8" 行"_gbk;
    }
    if (!hasList_) {
        line += u8"，保留原有清单"_gbk;
    }
    return line;
}

}  // namespace vantrel::intake
