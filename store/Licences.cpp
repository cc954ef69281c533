#include "Licences.h"

#include <sqlite3.h>

#include "Gbk.h"
#include "InventoryDatabase.h"
#include "SoftwareTables.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

bool IsLead(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x81 && byte <= 0xFE;
}

// Length of the character at `at`.
std::size_t CharLength(std::string_view text, std::size_t at) {
    return IsLead(text[at]) && at + 1 < text.size() ? 2 : 1;
}

// Where `part` occurs in `text` at or after `from`, at a character
// boundary; npos when it does not.
std::size_t FindAtBoundary(std::string_view text, std::string_view part, std::size_t from) {
    for (std::size_t at = from; at + part.size() <= text.size(); at += CharLength(text, at)) {
        if (text.compare(at, part.size(), part) == 0) {
            return at;
        }
        if (at == text.size()) {
            break;
        }
    }
    return std::string_view::npos;
}

}  // namespace

bool PatternMatches(std::string_view pattern, std::string_view name) {
    const std::string folded = text::AsciiUpper(pattern);
    const std::string text = text::AsciiUpper(name);
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t star = text::FindSingleByte(folded, '*'); star != std::string::npos;
         star = text::FindSingleByte(folded, '*', star + 1)) {
        parts.emplace_back(std::string_view(folded).substr(start, star - start));
        start = star + 1;
    }
    parts.emplace_back(std::string_view(folded).substr(start));
    if (parts.size() == 1) {
        return text == folded;
    }
    // The first part starts the name, the last ends it, the others come in
    // order between.
    const std::string_view first = parts.front();
    const std::string_view last = parts.back();
    if (text.size() < first.size() + last.size() || text.compare(0, first.size(), first) != 0) {
        return false;
    }
    std::size_t at = first.size();
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
        at = FindAtBoundary(text, parts[i], at);
        if (at == std::string_view::npos) {
            return false;
        }
        at += parts[i].size();
    }
    const std::size_t tail = text.size() - last.size();
    if (tail < at || text.compare(tail, last.size(), last) != 0) {
        return false;
    }
    // The last part must begin at a character boundary.
    std::size_t boundary = at;
    while (boundary < tail) {
        boundary += CharLength(text, boundary);
    }
    return boundary == tail;
}

const Licence* LicenceOf(const std::vector<Licence>& licences, std::string_view name) {
    const Licence* best = nullptr;
    for (const Licence& licence : licences) {
        if (text::FindSingleByte(licence.pattern, '*') == std::string::npos) {
            if (text::EqualsIgnoringCase(licence.pattern, name)) {
                return &licence;
            }
        } else if (PatternMatches(licence.pattern, name) &&
                   (best == nullptr || licence.pattern.size() > best->pattern.size())) {
            best = &licence;
        }
    }
    return best;
}

std::vector<Licence> Licences::All() const {
    auto guard = connection_.Lock();
    sqlite3* db = connection_.Handle();
    std::vector<Licence> all;
    if (!SoftwareTables::Present(db)) {
        return all;
    }
    SqliteStatement read(db, "select id,pattern,seats,note from ip_licence order by pattern");
    while (read.Step()) {
        all.push_back(
            {read.Int64(0), std::string(read.Bytes(1)), read.Int64(2), std::string(read.Bytes(3))});
    }
    return all;
}

void Licences::SetSeats(std::string_view pattern, std::int64_t seats,
                        std::optional<std::string_view> note) {
    pattern = text::TrimBlanks(pattern);
    if (pattern.empty()) {
        throw StoreError("The licence names no program");
    }
    if (seats < 0) {
        throw StoreError("A licence cannot have fewer than no seats");
    }
    auto guard = connection_.Lock();
    sqlite3* db = connection_.Handle();
    SqliteStatement write(
        db,
        "insert into ip_licence (pattern,seats,note) values (?1,?2,coalesce(?3,'')) "
        "on conflict (pattern) do update set seats=excluded.seats, "
        "note=coalesce(?3,note)");
    write.BindText(1, pattern);
    write.BindInt64(2, seats);
    if (note) {
        write.BindText(3, *note);
    }
    write.Step();
}

void Licences::Remove(std::string_view pattern) {
    auto guard = connection_.Lock();
    SqliteStatement remove(connection_.Handle(), "delete from ip_licence where pattern=?1");
    remove.BindText(1, text::TrimBlanks(pattern));
    remove.Step();
}

}  // namespace vantrel::store
