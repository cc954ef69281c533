#pragma once
// A filter text of the batch dataset, parsed: field='text' (the field equals
// the text) or field like '%text%' (the field contains the text). Nothing
// else is accepted; in particular a single quote inside the text is refused:
// the text stands between the quotes as it is, with no escape.

#include <string>
#include <string_view>
#include <vector>

#include "Row.h"
#include "StoreTypes.h"

namespace vantrel::store {

class FilterCondition {
  public:
    // Throws StoreError naming what is wrong with the text.
    FilterCondition(std::string_view text, const std::vector<FieldDef>& fields);

    // Null never matches; texts compare as text::EqualsIgnoringCase and
    // text::ContainsIgnoringCase do.
    bool Matches(const Row& row) const;

    std::size_t Field() const { return field_; }
    bool Contains() const { return contains_; }
    const std::string& Text() const { return text_; }

  private:
    std::size_t field_ = 0;
    bool contains_ = false;
    std::string text_;
};

}  // namespace vantrel::store
