#pragma once
// Which column of table ip each column of a file goes to. The title row
// is the first row that holds anything; each of its cells is matched
// against the grid titles, the column names and a few common synonyms,
// ignoring letter case, blanks and the full-width forms of ASCII.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AssetFields.h"
#include "IpColumns.h"

namespace vantrel::import {

// For each column of the file, the index of the column of table ip it
// goes to (into the seventeen of IpColumns), or of the asset field it goes
// to (kAssetColumnBase + its place in inventory::kAssetFields), or
// nullopt: not imported.
using ColumnMapping = std::vector<std::optional<std::size_t>>;
inline constexpr std::size_t kAssetColumnBase = protocol::kIpColumns.size();
inline constexpr std::size_t kMappedColumns = kAssetColumnBase + inventory::kAssetFieldCount;
// The asset field a mapped index stands for; nullopt for a column of ip.
std::optional<inventory::AssetField> AssetFieldOf(std::size_t mapped);
// The title of a mapped index (GBK): the grid's title, or the asset field's.
std::string MappedTitle(std::size_t mapped);

// The column of table ip or the asset field a title names (as a mapped
// index); nullopt when it names none.
std::optional<std::size_t> ColumnOfTitle(std::string_view gbkTitle);

// The mapping of a title row. A column of ip named twice goes to the first
// title that names it; the later ones are not imported.
ColumnMapping MapTitles(const std::vector<std::string>& titles);

// The title as the match compares it: ASCII letters folded, blanks gone,
// full-width ASCII as its half-width form.
std::string NormalizedTitle(std::string_view gbk);

}  // namespace vantrel::import
