#include "FilterCondition.h"

#include "Gbk.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

bool IsNameChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

std::size_t SkipBlanks(std::string_view text, std::size_t i) {
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    return i;
}

[[noreturn]] void Refuse(std::string_view text, const std::string& why) {
    throw StoreError("Cannot apply the filter \"" + std::string(text) + "\": " + why);
}

}  // namespace

FilterCondition::FilterCondition(std::string_view text, const std::vector<FieldDef>& fields) {
    std::size_t i = SkipBlanks(text, 0);
    std::size_t nameStart = i;
    while (i < text.size() && IsNameChar(text[i])) {
        ++i;
    }
    std::string_view name = text.substr(nameStart, i - nameStart);
    if (name.empty()) {
        Refuse(text, "no field name");
    }
    std::size_t f = 0;
    while (f < fields.size() && !text::EqualsIgnoringAsciiCase(fields[f].Name, name)) {
        ++f;
    }
    if (f == fields.size()) {
        Refuse(text, "unknown field " + std::string(name));
    }
    field_ = f;

    std::size_t afterName = i;
    i = SkipBlanks(text, i);
    if (i < text.size() && text[i] == '=') {
        i = SkipBlanks(text, i + 1);
    } else if (i > afterName && text.size() - i > 4 &&
               text::EqualsIgnoringAsciiCase(text.substr(i, 4), "like") && text[i + 4] == ' ') {
        contains_ = true;
        i = SkipBlanks(text, i + 4);
    } else {
        Refuse(text, "expected field='text' or field like '%text%'");
    }
    if (i >= text.size() || text[i] != '\'') {
        Refuse(text, "the text must stand between single quotes");
    }
    std::size_t bodyStart = ++i;
    // The first quote that is not the trail of a double-byte character
    // closes the text; anything but blanks after it means the text held a
    // quote of its own.
    while (i < text.size() && text[i] != '\'') {
        i += text::CharLength(text, i);
    }
    if (i >= text.size()) {
        Refuse(text, "the closing single quote is missing");
    }
    if (SkipBlanks(text, i + 1) != text.size()) {
        Refuse(text, "the search text must not hold a single quote");
    }
    std::string_view body = text.substr(bodyStart, i - bodyStart);
    if (contains_) {
        // The text sits between a leading and a trailing '%', both whole
        // characters: a lead byte right before the last '%' takes it along.
        std::size_t last = 0;
        for (std::size_t j = 0; j < body.size(); j += text::CharLength(body, j)) {
            last = j;
        }
        if (body.size() < 2 || body.front() != '%' || last != body.size() - 1 ||
            body.back() != '%') {
            Refuse(text, "the text of like must be '%text%'");
        }
        body = body.substr(1, body.size() - 2);
    }
    text_ = std::string(body);
}

bool FilterCondition::Matches(const Row& row) const {
    if (row.IsNull(field_)) {
        return false;
    }
    std::string_view value = row.Text(field_);
    return contains_ ? text::ContainsIgnoringCase(value, text_)
                     : text::EqualsIgnoringCase(value, text_);
}

}  // namespace vantrel::store
