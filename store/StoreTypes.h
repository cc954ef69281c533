#pragma once
// Value types of the inventory store: a field's definition, a field's value
// and a row's bookmark. Every class of the store may use them; they use
// nothing of the store.

#include <cstddef>
#include <optional>
#include <string>

namespace vantrel::store {

enum class FieldType { Text, Integer, Float, DateTime };

struct FieldDef {
    std::string name;  // as the table declares it
    FieldType type = FieldType::Text;
};

using FieldValue = std::optional<std::string>;  // nullopt is null

// Opaque position of a row that survives filter and sort changes.
using Bookmark = std::size_t;

}  // namespace vantrel::store
