#include "SoftwareIntake.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "Gbk.h"
#include "GbkLiteral.h"
#include "HttpText.h"
#include "SoftwareChanges.h"
#include "SoftwareField.h"

namespace vantrel::intake {

namespace {

// The value of the field's first entry as the request holds it, and
// whether that is still form-encoded; nullopt without one.
struct FieldText {
    std::string_view text;
    bool encoded = false;
};
std::optional<FieldText> FieldValue(const HttpRequest& request) {
    if (std::optional<std::string_view> sent = request.SoftwareFormText()) {
        return FieldText{*sent, true};
    }
    for (const std::string& entry : request.params) {
        const std::size_t equals = text::FindSingleByte(entry, '=');
        if (equals != std::string::npos &&
            text::EqualsIgnoringCase(std::string_view(entry).substr(0, equals),
                                     protocol::kSoftwareField)) {
            return FieldText{std::string_view(entry).substr(equals + 1), false};
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
    const std::optional<FieldText> field = FieldValue(request);
    if (!field) {
        return;
    }
    present_ = true;
    text_ = field->text;
    encoded_ = field->encoded;
    // The memo knows texts as sent. A decoded value without "%" and "+" is
    // its own encoding; any other is read without the memo.
    const bool remembered =
        memo != nullptr && (encoded_ || text_.find_first_of("%+") == std::string_view::npos);
    BytesFingerprint fingerprint;
    if (remembered) {
        fingerprint = FingerprintOf(text_);
        // The lines kept and the counts follow from the text alone, so a
        // text seen before has the same digest and counts; its lines are
        // read only if the store finds the digest differs from its own.
        if (std::optional<ListDigestMemo::ReadList> known = memo->FindList(fingerprint);
            known && known->kept != 0) {
            kept_ = known->kept;
            skipped_ = known->skipped;
            dropped_ = known->dropped;
            hasList_ = true;
            list_.digest = std::move(known->digest);
            list_.readLines = [this]() -> const std::vector<std::string_view>& {
                ReadLines();
                return list_.lines;
            };
            return;
        }
    }
    const Counts counts = ReadLines();
    kept_ = counts.kept;
    skipped_ = counts.skipped;
    dropped_ = counts.dropped;
    hasList_ = kept_ != 0;
    if (!hasList_) {
        return;
    }
    // Worked out here, in the connection's own thread: the store compares
    // it under the lock every report waits for.
    list_.digest = store::SoftwareDigest(list_);
    if (remembered) {
        memo->Remember(fingerprint, {list_.digest, kept_, skipped_, dropped_});
    }
}

SoftwareIntake::Counts SoftwareIntake::ReadLines() const {
    Counts counts;
    if (linesRead_) {
        counts.kept = list_.lines.size();
        counts.skipped = skipped_;
        counts.dropped = dropped_;
        return counts;
    }
    linesRead_ = true;
    std::string_view value = text_;
    if (encoded_) {
        decoded_ = DecodePiece(text_);
        value = decoded_;
    }
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
            ++counts.skipped;
        } else if (list_.lines.size() < protocol::kMaxPrograms) {
            list_.lines.push_back(line);
        } else {
            ++counts.dropped;
        }
    }
    // Lines past the byte bound are not looked at, only counted.
    if (!beyond.empty()) {
        counts.dropped += static_cast<std::size_t>(std::count(beyond.begin(), beyond.end(), '\n')) +
                          (beyond.back() == '\n' ? 0 : 1);
    }
    counts.kept = list_.lines.size();
    return counts;
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
        line += u8"只收下前 "_gbk + std::to_string(kept_) + u8" 项，另有 "_gbk +
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
