#include "FilterCondition.h"

#include <algorithm>

#include "Gbk.h"
#include "GbkConvert.h"
#include "IpColumns.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

using inventory::kPcFactColumns;

std::size_t FindField(const std::vector<FieldDef>& fields, std::string_view name) {
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (text::EqualsIgnoringAsciiCase(fields[f].Name, name)) {
            return f;
        }
    }
    return fields.size();
}

bool SameSelection(const inventory::OverviewSelection& a, const inventory::OverviewSelection& b) {
    return a.dimension == b.dimension && a.label == b.label && a.shown == b.shown;
}

}  // namespace

FilterCondition FilterCondition::OfField(std::string field, FieldMatch match, std::string text) {
    FilterCondition condition;
    condition.kind_ = Kind::Field;
    condition.field_ = std::move(field);
    condition.match_ = match;
    condition.text_ = std::move(text);
    return condition;
}

FilterCondition FilterCondition::OfOverview(inventory::OverviewSelection selection,
                                            std::shared_ptr<const inventory::OverviewRules> rules,
                                            std::string description) {
    if (!rules) {
        throw StoreError("An overview filter needs the overview's rules");
    }
    FilterCondition condition;
    condition.kind_ = Kind::Overview;
    condition.selection_ = std::move(selection);
    condition.rules_ = std::move(rules);
    condition.description_ = std::move(description);
    return condition;
}

FilterCondition FilterCondition::WithAssets(std::shared_ptr<const inventory::AssetIndex> assets,
                                            bool hideRetired) const {
    FilterCondition condition = *this;
    condition.assets_ = std::move(assets);
    condition.hideRetired_ = hideRetired;
    return condition;
}

std::string FilterCondition::Description() const {
    switch (kind_) {
        case Kind::AllRows:
            return {};
        case Kind::Overview:
            return description_;
        case Kind::Field:
            break;
    }
    // The field's label in the search list, else its name.
    const std::size_t column = protocol::IpColumnIndex(field_);
    std::string label =
        column < protocol::kIpColumnCount && !protocol::kIpColumns[column].searchLabel.empty()
            ? text::Utf8ToGbk(protocol::kIpColumns[column].searchLabel)
            : field_;
    return label + text::Utf8ToGbk(match_ == FieldMatch::Equals ? " 等于 " : " 包含 ") + text_;
}

bool FilterCondition::operator==(const FilterCondition& other) const {
    // Asset records read anew that say the same choose the same rows.
    const bool sameAssets =
        assets_ == other.assets_ || (assets_ && other.assets_ && *assets_ == *other.assets_);
    if (kind_ != other.kind_ || !sameAssets || hideRetired_ != other.hideRetired_) {
        return false;
    }
    switch (kind_) {
        case Kind::AllRows:
            return true;
        case Kind::Field:
            return text::EqualsIgnoringAsciiCase(field_, other.field_) && match_ == other.match_ &&
                   text_ == other.text_;
        case Kind::Overview:
            return rules_ == other.rules_ && SameSelection(selection_, other.selection_);
    }
    return false;
}

FilterCondition::Applied FilterCondition::ApplyTo(const std::vector<FieldDef>& fields) const {
    Applied applied;
    if (HidesRetired()) {
        const char* const keyNames[] = {"mac", "ip", "pcname"};
        for (std::size_t i = 0; i < applied.keyFields_.size(); ++i) {
            const std::size_t f = FindField(fields, keyNames[i]);
            applied.keyFields_[i] = f < fields.size() ? f : Applied::kMissing;
        }
        applied.condition_ = std::make_shared<const FilterCondition>(*this);
    }
    if (kind_ == Kind::AllRows) {
        return applied;
    }
    if (kind_ == Kind::Field) {
        applied.field_ = FindField(fields, field_);
        if (applied.field_ == fields.size()) {
            throw StoreError("Cannot filter: unknown field " + field_);
        }
    } else {
        for (std::size_t i = 0; i < kPcFactColumns.size(); ++i) {
            const std::size_t f =
                FindField(fields, protocol::ColumnOf(kPcFactColumns[i].column).name);
            applied.overviewFields_[i] = f < fields.size() ? f : Applied::kMissing;
        }
    }
    applied.condition_ = std::make_shared<const FilterCondition>(*this);
    return applied;
}

bool FilterCondition::Applied::Matches(const Row& row) const {
    if (!condition_) {
        return true;
    }
    const FilterCondition& c = *condition_;
    if (c.HidesRetired()) {
        const auto key = [&](std::size_t i) {
            const std::size_t f = keyFields_[i];
            return f == kMissing ? std::string_view() : row.Text(f);
        };
        if (c.assets_->IsRetired(key(0), key(1), key(2))) {
            return false;
        }
    }
    if (c.kind_ == Kind::AllRows) {
        return true;
    }
    if (c.kind_ == Kind::Field) {
        if (row.IsNull(field_)) {
            return false;
        }
        const std::string_view value = row.Text(field_);
        return c.match_ == FieldMatch::Equals ? text::EqualsIgnoringCase(value, c.text_)
                                              : text::ContainsIgnoringCase(value, c.text_);
    }
    const auto column = [&](std::size_t i) {
        const std::size_t f = overviewFields_[i];
        return f == kMissing ? std::string_view() : row.Text(f);
    };
    inventory::PcFacts pc;
    for (std::size_t i = 0; i < kPcFactColumns.size(); ++i) {
        pc.*kPcFactColumns[i].field = column(i);
    }
    return c.selection_.Matches(pc, *c.rules_);
}

}  // namespace vantrel::store
