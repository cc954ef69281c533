#include "FilterCondition.h"

#include <algorithm>

#include "Gbk.h"
#include "GbkConvert.h"
#include "InventoryDatabase.h"
#include "IpColumns.h"
#include "IpHistory.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

using inventory::kPcFactColumns;

std::size_t FindField(const std::vector<FieldDef>& fields, std::string_view name) {
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (text::EqualsIgnoringAsciiCase(fields[f].name, name)) {
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

FilterCondition FilterCondition::OfRecord(RecordField field, FieldMatch match, std::string text) {
    FilterCondition condition;
    condition.kind_ = Kind::Record;
    condition.record_ = field;
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

FilterCondition FilterCondition::OfKeys(std::shared_ptr<const std::set<std::string>> keys,
                                        std::string description) {
    FilterCondition condition;
    condition.kind_ = Kind::Keys;
    condition.keys_ = keys ? std::move(keys) : std::make_shared<const std::set<std::string>>();
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
        case Kind::Keys:
        case Kind::Overview:
            return description_;
        case Kind::Record:
        case Kind::Field:
            break;
    }
    const std::string how = text::Utf8ToGbk(match_ == FieldMatch::Equals ? " 等于 " : " 包含 ");
    if (kind_ == Kind::Record) {
        return RecordFieldLabel(record_) + how + text_;
    }
    // The field's label in the search list, else its name.
    const std::size_t column = protocol::IpColumnIndex(field_);
    std::string label =
        column < protocol::kIpColumnCount && !protocol::kIpColumns[column].searchLabel.empty()
            ? text::Utf8ToGbk(protocol::kIpColumns[column].searchLabel)
            : field_;
    return label + how + text_;
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
        case Kind::Record:
            return record_ == other.record_ && match_ == other.match_ && text_ == other.text_;
        case Kind::Overview:
            return rules_ == other.rules_ && SameSelection(selection_, other.selection_);
        case Kind::Keys:
            return *keys_ == *other.keys_ && description_ == other.description_;
    }
    return false;
}

FilterCondition::Applied FilterCondition::ApplyTo(const std::vector<FieldDef>& fields,
                                                  InventoryDatabase* connection) const {
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
    if (kind_ == Kind::Record) {
        const std::string_view names[] = {"mac", "ip", "pcname"};
        for (std::size_t i = 0; i < applied.keyFields_.size(); ++i) {
            const std::size_t f = FindField(fields, names[i]);
            applied.keyFields_[i] = f < fields.size() ? f : Applied::kMissing;
        }
        KeySet keys;
        if (connection != nullptr) {
            auto guard = connection->Lock();
            keys = KeysMatching(connection->Handle(), record_, match_, text_);
        }
        applied.keys_ = std::make_shared<const KeySet>(std::move(keys));
    } else if (kind_ == Kind::Field) {
        applied.field_ = FindField(fields, field_);
        if (applied.field_ == fields.size()) {
            throw StoreError("Cannot filter: unknown field " + field_);
        }
    } else if (kind_ == Kind::Keys) {
        // A file without one of them reads it as empty.
        const char* names[] = {"mac", "ip", "pcname"};
        for (std::size_t i = 0; i < applied.keyFields_.size(); ++i) {
            const std::size_t f = FindField(fields, names[i]);
            applied.keyFields_[i] = f < fields.size() ? f : Applied::kMissing;
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
    if (c.kind_ == Kind::Record) {
        const auto text = [&](std::size_t i) {
            const std::size_t f = keyFields_[i];
            return f == kMissing ? std::string_view() : row.Text(f);
        };
        return keys_->count(KeyOfSearch(HistoryKey(text(0), text(1), text(2)))) != 0;
    }
    if (c.kind_ == Kind::Field) {
        if (row.IsNull(field_)) {
            return false;
        }
        const std::string_view value = row.Text(field_);
        return c.match_ == FieldMatch::Equals ? text::EqualsIgnoringCase(value, c.text_)
                                              : text::ContainsIgnoringCase(value, c.text_);
    }
    if (c.kind_ == Kind::Keys) {
        const auto key = [&](std::size_t i) {
            const std::size_t f = keyFields_[i];
            return f == kMissing || row.IsNull(f) ? std::string_view() : row.Text(f);
        };
        return c.keys_->contains(text::AsciiUpper(HistoryKey(key(0), key(1), key(2))));
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
