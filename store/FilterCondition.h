#pragma once
// Which rows of the inventory the grid shows: every row, the rows whose
// field equals or contains a text (a search), the rows of PCs whose model
// or serial numbers do (a search in the PCs' other tables), or the rows an
// overview choice counts (a drill-down). A plain value: the search bar and the
// overview build it, the dataset applies it. The text is compared as it
// is; no byte of it is special, a single quote included.

#include <array>
#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AssetFields.h"
#include "InventoryOverview.h"
#include "RecordSearch.h"
#include "Row.h"
#include "StoreTypes.h"

namespace vantrel::store {

class InventoryDatabase;

enum class FieldMatch { Equals, Contains };

class FilterCondition {
  public:
    enum class Kind { AllRows, Field, Record, Overview, Keys };

    // Every row.
    FilterCondition() = default;
    // The rows whose field `field` (a column of table ip, ASCII case
    // ignored) equals or contains `text` (GBK). ASCII letters compare
    // without regard to case; double-byte characters compare whole.
    static FilterCondition OfField(std::string field, FieldMatch match, std::string text);
    // The rows of PCs whose `field` (their model, or any of their serial
    // numbers) equals or contains `text`, compared as for OfField.
    static FilterCondition OfRecord(RecordField field, FieldMatch match, std::string text);
    // The rows `selection` chooses by `rules`, the counts' rules. The
    // description (GBK) says what was chosen.
    static FilterCondition OfOverview(inventory::OverviewSelection selection,
                                      std::shared_ptr<const inventory::OverviewRules> rules,
                                      std::string description);

    // The rows whose history key (HistoryKey of the row, ASCII upper-cased)
    // is one of `keys`: the PCs a software list names. The description
    // (GBK) says what was chosen.
    static FilterCondition OfKeys(std::shared_ptr<const std::set<std::string>> keys,
                                  std::string description);
    // The same condition with the PCs' asset records, which the grid greys
    // retired rows by; with `hideRetired` the rows of retired PCs are also
    // left out, whatever else the condition chooses.
    FilterCondition WithAssets(std::shared_ptr<const inventory::AssetIndex> assets,
                               bool hideRetired) const;
    // The records given; null when none were.
    const inventory::AssetIndex* Assets() const { return assets_.get(); }
    bool HideRetiredChosen() const { return hideRetired_; }
    bool HidesRetired() const { return hideRetired_ && assets_ && assets_->RetiredCount() > 0; }

    Kind Which() const { return kind_; }
    bool ShowsAll() const { return kind_ == Kind::AllRows && !HidesRetired(); }
    // Of a field condition; "" otherwise.
    const std::string& Field() const { return field_; }
    FieldMatch Match() const { return match_; }
    const std::string& Text() const { return text_; }
    // Of a record condition.
    RecordField Record() const { return record_; }
    // Of an overview condition.
    const inventory::OverviewSelection& Selection() const { return selection_; }

    // What the condition chooses, in words (GBK): "部门 等于 财务部" for a
    // field, "型号 包含 OptiPlex" for a record, the description given for an overview choice, ""
    // for all rows.
    std::string Description() const;

    // Same rows by the same rule: field, match and text (byte for byte),
    // or the same selection under the same rules.
    bool operator==(const FilterCondition& other) const;

    // The condition bound to the fields of a dataset's rows.
    class Applied {
      public:
        // A field condition never matches a null value. An overview
        // condition reads a missing column as empty.
        bool Matches(const Row& row) const;
        // An overview condition leaves rows not yet saved in view: they have
        // no entry time nor sightings its rules could judge.
        bool KeepsNewRows() const { return condition_ && condition_->kind_ == Kind::Overview; }
        // Whether what it chooses depends on more than the rows themselves,
        // so that it is to be applied anew when the rows are read again.
        bool ReadsStore() const { return condition_ && condition_->kind_ == Kind::Record; }

      private:
        friend class FilterCondition;
        static constexpr std::size_t kMissing = static_cast<std::size_t>(-1);

        std::shared_ptr<const FilterCondition> condition_;  // null: every row
        std::size_t field_ = kMissing;
        std::array<std::size_t, inventory::kPcFactColumns.size()> overviewFields_{};
        // Of a record condition: the matching keys; of a record or keys
        // condition, or one hiding retired PCs: the fields a row's key is
        // made of (mac, ip, pcname).
        std::shared_ptr<const KeySet> keys_;
        std::array<std::size_t, 3> keyFields_{};
    };
    // Throws StoreError when a field condition names a field `fields` lacks,
    // or when a record condition's read of `connection` fails (without a
    // connection, a record condition matches no row).
    Applied ApplyTo(const std::vector<FieldDef>& fields,
                    InventoryDatabase* connection = nullptr) const;

  private:
    Kind kind_ = Kind::AllRows;
    std::string field_;
    FieldMatch match_ = FieldMatch::Equals;
    std::string text_;
    RecordField record_ = RecordField::Model;
    inventory::OverviewSelection selection_;
    std::shared_ptr<const inventory::OverviewRules> rules_;
    std::string description_;
    std::shared_ptr<const std::set<std::string>> keys_;
    std::shared_ptr<const inventory::AssetIndex> assets_;
    bool hideRetired_ = false;
};

}  // namespace vantrel::store
