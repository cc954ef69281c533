// The pending batch: edits, new and deleted rows, save, cancel, conflicts
// and re-query.
#include <gtest/gtest.h>

#include "InventoryDataset.h"
#include "ReportStore.h"
#include "StoreError.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

using Values = std::vector<std::optional<std::string>>;

class DatasetBatchTest : public StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        Insert({{"pcname", "r1"}, {"mac", "m1"}, {"bm", "a"}});
        Insert({{"pcname", "r2"}, {"mac", "m2"}, {"bm", "b"}});
        // Stored as BLOB, as the shared generator and other tools do.
        Insert({{"pcname", "r3"}, {"mac", "m3"}, {"bm", "c"}}, true);
        OpenStore();
        query_.Open();
        pcname_ = static_cast<std::size_t>(query_.FieldIndex("pcname"));
        bm_ = static_cast<std::size_t>(query_.FieldIndex("bm"));
    }

    std::string Names() {
        std::string names;
        for (std::size_t row = 0; row < query_.RecordCount(); ++row) {
            names += query_.DisplayText(row, pcname_) + " ";
        }
        return names;
    }

    void Edit(std::size_t row, std::size_t field, std::string value) {
        query_.SetRecNo(row);
        query_.SetValue(field, std::move(value));
    }

    InventoryDataset query_{connection_};
    std::size_t pcname_ = 0;
    std::size_t bm_ = 0;
};

TEST_F(DatasetBatchTest, ModifyIsHeldUntilSaved) {
    Edit(0, bm_, "x");
    EXPECT_TRUE(query_.Editing());
    EXPECT_EQ(query_.DisplayText(0, bm_), "x");
    Edit(2, bm_, "z");  // leaving row 0 posts it
    query_.EndEdit();
    EXPECT_FALSE(query_.Editing());
    EXPECT_TRUE(query_.HasPendingChanges());
    EXPECT_EQ(Column("bm"), (Values{"a", "b", "c"}));
    query_.UpdateBatch();
    EXPECT_FALSE(query_.HasPendingChanges());
    EXPECT_EQ(Column("bm"), (Values{"x", "b", "z"}));
    // A second save of the same rows checks against the saved values.
    Edit(0, bm_, "y");
    query_.UpdateBatch();
    EXPECT_EQ(Column("bm"), (Values{"y", "b", "z"}));
    // An edit back to the loaded value leaves nothing pending.
    Edit(1, bm_, "q");
    Edit(1, bm_, "b");
    query_.EndEdit();
    EXPECT_FALSE(query_.HasPendingChanges());
    // Nothing pending: save writes nothing and succeeds.
    query_.UpdateBatch();
}

TEST_F(DatasetBatchTest, AppendSavesTypedValuesAndTheDatabaseDefaults) {
    query_.Append();
    EXPECT_EQ(query_.RecNo(), 3);
    query_.EndEdit();  // untouched: dropped
    EXPECT_EQ(query_.RecordCount(), 3u);
    EXPECT_FALSE(query_.HasPendingChanges());

    query_.Append();
    query_.SetValue(pcname_, std::string("new"));
    query_.SetValue(bm_, std::string(""));
    query_.Append();  // posts the first, starts a second
    query_.SetValue(pcname_, std::string("new2"));
    query_.UpdateBatch();  // ends the edit first
    EXPECT_EQ(Names(), "r1 r2 r3 new new2 ");
    EXPECT_EQ(Column("pcname"), (Values{"r1", "r2", "r3", "new", "new2"}));
    EXPECT_EQ(Column("bm", "pcname='new'"), (Values{""}));
    EXPECT_EQ(Column("mac", "pcname='new'"), (Values{std::nullopt}));
    // djsj comes from the database and is shown after the save.
    auto djsj = static_cast<std::size_t>(query_.FieldIndex("djsj"));
    EXPECT_EQ(query_.DisplayText(3, djsj), *Column("djsj", "pcname='new'").at(0));
    EXPECT_EQ(query_.DisplayText(3, djsj).size(), 19u);
    // The saved rows are ordinary rows now: edit and delete reach them.
    Edit(3, bm_, "n");
    query_.SetRecNo(4);
    query_.Delete();
    query_.UpdateBatch();
    EXPECT_EQ(Column("bm", "pcname LIKE 'new%'"), (Values{"n"}));
}

TEST_F(DatasetBatchTest, DeleteAndCancel) {
    query_.Append();
    query_.Delete();  // an unposted new row is simply dropped
    EXPECT_EQ(Names(), "r1 r2 r3 ");
    EXPECT_FALSE(query_.HasPendingChanges());

    Edit(0, bm_, "x");
    Edit(2, bm_, "z");
    query_.SetRecNo(1);
    query_.Delete();
    EXPECT_EQ(Names(), "r1 r3 ");
    EXPECT_EQ(query_.RecNo(), 1);
    Edit(1, pcname_, "edited");  // in progress while cancelled
    query_.Append();
    query_.SetValue(pcname_, std::string("gone"));
    query_.CancelBatch();
    EXPECT_FALSE(query_.Editing());
    EXPECT_FALSE(query_.HasPendingChanges());
    EXPECT_EQ(Names(), "r1 r2 r3 ");
    EXPECT_EQ(query_.DisplayText(0, bm_), "a");
    EXPECT_EQ(query_.DisplayText(2, bm_), "c");
    EXPECT_EQ(query_.RecNo(), 0);

    query_.SetRecNo(1);
    query_.Delete();
    EXPECT_EQ(Count(), 3);
    query_.UpdateBatch();
    EXPECT_EQ(Column("pcname"), (Values{"r1", "r3"}));
    EXPECT_EQ(Names(), "r1 r3 ");
}

TEST_F(DatasetBatchTest, DeleteOnAnEmptyViewFailsWithTheFixedText) {
    query_.SetFilter(FilterCondition::OfField("bm", FieldMatch::Equals, "none"));
    try {
        query_.Delete();
        FAIL();
    } catch (const StoreError& error) {
        EXPECT_STREQ(error.what(), "Cannot perform this operation on an empty dataset");
    }
    EXPECT_FALSE(query_.HasPendingChanges());
}

// A report for m2 as the intake stores it: every report column but mac.
HardwareReport ReportFor(const std::string& mac, const std::string& pcname, const std::string& dh) {
    HardwareReport report;
    report.pcname = pcname;
    report.mac = mac;
    report.bm = "report-bm";
    report.dh = dh;
    return report;
}

// The macs a save left unsaved; empty when it saved everything.
std::vector<std::string> SaveConflicts(InventoryDataset& query) {
    try {
        query.UpdateBatch();
    } catch (const BatchConflictError& error) {
        return error.Macs();
    }
    return {};
}

TEST_F(DatasetBatchTest, AReportBlocksOnlyARowWhoseChangedColumnsItRewrote) {
    // The telephone of r1 and r2 edited in the grid; then, or not, a report
    // for m2 arrives before the save.
    struct Case {
        const char* name;
        std::optional<std::string> reportDh;  // none: no report
        std::vector<std::string> conflicts;
        Values dh;  // in the database after the save
    };
    const Case cases[] = {
        {"no report", std::nullopt, {}, {"t1", "t2", ""}},
        {"report keeps the telephone", std::string(""), {}, {"t1", "t2", ""}},
        {"report rewrites the telephone", std::string("staff"), {"m2"}, {"t1", "staff", ""}},
    };
    const std::size_t dh = static_cast<std::size_t>(query_.FieldIndex("dh"));
    ReportStore reports(connection_);
    for (const Case& c : cases) {
        Exec("UPDATE ip SET dh='', bm=rowid, pcname='r' || rowid");
        query_.Requery();
        query_.CancelBatch();
        Edit(0, dh, "t1");
        Edit(1, dh, "t2");
        query_.EndEdit();
        if (c.reportDh) {
            reports.Store(ReportFor("m2", "from-report", *c.reportDh));
        }
        EXPECT_EQ(SaveConflicts(query_), c.conflicts) << c.name;
        EXPECT_EQ(Column("dh"), c.dh) << c.name;
        // The report's other columns are kept whether or not the row saved.
        EXPECT_EQ(Column("pcname"), (Values{"r1", c.reportDh ? "from-report" : "r2", "r3"}))
            << c.name;
        EXPECT_EQ(Column("bm", "rowid=2"), (Values{c.reportDh ? "report-bm" : "2"})) << c.name;
        // A row left unsaved stays pending, still showing the edit.
        EXPECT_EQ(query_.PendingCount(), c.conflicts.size()) << c.name;
        EXPECT_EQ(query_.Status(1), c.conflicts.empty() ? InventoryDataset::RowStatus::Unchanged
                                                        : InventoryDataset::RowStatus::Modified)
            << c.name;
        EXPECT_EQ(query_.DisplayText(1, dh), "t2") << c.name;
        EXPECT_EQ(SaveConflicts(query_), c.conflicts) << c.name << ": a retry alone";

        // The re-query shows the report's values under the edit, which the
        // next save then writes.
        query_.Requery();
        EXPECT_EQ(query_.DisplayText(1, pcname_), c.reportDh ? "from-report" : "r2") << c.name;
        EXPECT_EQ(query_.DisplayText(1, dh), "t2") << c.name;
        EXPECT_EQ(query_.FieldChanged(1, dh), !c.conflicts.empty()) << c.name;
        EXPECT_EQ(SaveConflicts(query_), std::vector<std::string>{}) << c.name;
        EXPECT_EQ(Column("dh"), (Values{"t1", "t2", ""})) << c.name;
        EXPECT_FALSE(query_.HasPendingChanges()) << c.name;
    }
}

TEST_F(DatasetBatchTest, DeletesGoWhateverChangedAndEditsOfVanishedRowsWait) {
    // Meanwhile: r1 changed everywhere, r2 deleted, r3 changed in bm.
    Edit(2, bm_, "mine");
    query_.SetRecNo(0);
    query_.Delete();
    query_.SetRecNo(0);
    query_.Delete();  // r2
    query_.Append();
    query_.SetValue(pcname_, std::string("new"));
    query_.EndEdit();
    Exec("UPDATE ip SET pcname='x', bm='x' WHERE rowid=1");
    Exec("DELETE FROM ip WHERE rowid=2");
    Exec("UPDATE ip SET bm='report' WHERE rowid=3");
    EXPECT_EQ(SaveConflicts(query_), std::vector<std::string>{"m3"});
    EXPECT_EQ(Column("pcname"), (Values{"r3", "new"}));  // both deletes done, the new row in
    EXPECT_EQ(Column("bm", "rowid=3"), (Values{"report"}));
    EXPECT_EQ(query_.PendingCount(), 1u);

    // The conflicting row deleted in the database too: after a re-query its
    // edit is a new row, and the next save adds it.
    Exec("DELETE FROM ip WHERE rowid=3");
    EXPECT_EQ(SaveConflicts(query_), std::vector<std::string>{"m3"});
    query_.Requery();
    ASSERT_EQ(Names(), "new r3 ");
    EXPECT_EQ(query_.Status(1), InventoryDataset::RowStatus::Inserted);
    EXPECT_EQ(SaveConflicts(query_), std::vector<std::string>{});
    EXPECT_EQ(Column("pcname"), (Values{"new", "r3"}));
    EXPECT_EQ(Column("bm", "pcname='r3'"), (Values{"mine"}));
    EXPECT_EQ(Column("mac", "pcname='r3'"), (Values{"m3"}));
    EXPECT_FALSE(query_.HasPendingChanges());
}

TEST_F(DatasetBatchTest, ARowidNowHoldingAnotherMacIsNeverWrittenOrDeleted) {
    // r2 and r3 leave the database and other PCs take their rowids.
    Edit(1, bm_, "mine");
    query_.SetRecNo(2);
    query_.Delete();
    Exec("DELETE FROM ip WHERE rowid IN (2, 3)");
    Exec("INSERT INTO ip (rowid, pcname, mac, bm) VALUES (2, 'o2', 'other2', 'b')");
    Exec("INSERT INTO ip (rowid, pcname, mac, bm) VALUES (3, 'o3', 'other3', 'c')");
    EXPECT_EQ(SaveConflicts(query_), (std::vector<std::string>{"m2", "m3"}));
    EXPECT_EQ(Column("pcname"), (Values{"r1", "o2", "o3"}));
    EXPECT_EQ(Column("bm"), (Values{"a", "b", "c"}));
    // Re-queried, the other PCs show; r2's edit is a new row, r3's deletion
    // has nothing left to delete.
    query_.Requery();
    EXPECT_EQ(Names(), "r1 o2 o3 r2 ");
    EXPECT_EQ(SaveConflicts(query_), std::vector<std::string>{});
    EXPECT_EQ(Column("pcname"), (Values{"r1", "o2", "o3", "r2"}));
    EXPECT_EQ(Column("bm", "pcname='r2'"), (Values{"mine"}));
}

TEST_F(DatasetBatchTest, SaveFailingHalfWayWritesNothingAndKeepsTheBatch) {
    Exec(
        "CREATE TRIGGER refuse BEFORE INSERT ON ip WHEN NEW.bm='refuse' "
        "BEGIN SELECT RAISE(ABORT, 'refused by trigger'); END");
    Edit(0, bm_, "x");
    query_.SetRecNo(1);
    query_.Delete();
    query_.Append();
    query_.SetValue(pcname_, std::string("ok"));
    query_.Append();
    query_.SetValue(bm_, std::string("refuse"));
    Edit(0, pcname_, "after");  // the new row is posted; later records follow
    try {
        query_.UpdateBatch();
        FAIL();
    } catch (const StoreError& error) {
        EXPECT_STREQ(error.what(), "refused by trigger");
    }
    EXPECT_EQ(Column("pcname"), (Values{"r1", "r2", "r3"}));
    EXPECT_EQ(Column("bm"), (Values{"a", "b", "c"}));
    EXPECT_EQ(Names(), "after r3 ok  ");
    EXPECT_EQ(query_.DisplayText(0, bm_), "x");
    EXPECT_TRUE(query_.HasPendingChanges());

    // The cause removed, the same batch saves completely.
    Exec("DROP TRIGGER refuse");
    query_.UpdateBatch();
    EXPECT_EQ(Column("pcname"), (Values{"after", "r3", "ok", std::nullopt}));
    EXPECT_EQ(Column("bm"), (Values{"x", "c", std::nullopt, "refuse"}));
    EXPECT_FALSE(query_.HasPendingChanges());
}

TEST_F(DatasetBatchTest, RequeryLaysPendingChangesOverFreshRows) {
    query_.SetSort("bm");
    Edit(0, pcname_, "mine");
    query_.SetRecNo(1);
    query_.Delete();
    query_.Append();
    query_.SetValue(bm_, std::string("0"));
    // Reports meanwhile: a new row and a change to an untouched row.
    Insert({{"pcname", "r4"}, {"bm", "0"}});
    Exec("UPDATE ip SET pcname='r3+' WHERE rowid=3");
    query_.Requery();
    EXPECT_EQ(query_.Sort(), "bm");
    EXPECT_EQ(query_.RecNo(), 0);
    EXPECT_EQ(Names(), "r4  mine r3+ ");  // sorted: "0", "0" (new), "a", "c"
    EXPECT_TRUE(query_.HasPendingChanges());
    query_.UpdateBatch();
    EXPECT_EQ(Column("pcname"), (Values{"mine", "r3+", "r4", std::nullopt}));

    // A pending edit of a row a report changed meanwhile still conflicts.
    ASSERT_EQ(query_.DisplayText(3, pcname_), "r3+");
    Edit(3, bm_, "y");
    Exec("UPDATE ip SET bm='report' WHERE pcname='r3+'");
    query_.Requery();
    EXPECT_EQ(query_.DisplayText(query_.RecordCount() - 1, bm_), "y");
    EXPECT_THROW(query_.UpdateBatch(), StoreError);
    EXPECT_EQ(Column("bm", "pcname='r3+'"), (Values{"report"}));
}

TEST_F(DatasetBatchTest, RequeryThatCannotReadClosesTheDataset) {
    Exec("DROP TABLE ip");
    EXPECT_THROW(query_.Requery(), StoreError);
    EXPECT_FALSE(query_.Active());
    EXPECT_EQ(query_.RecordCount(), 0u);
    EXPECT_THROW(query_.SetFilter({}), StoreError);
}

}  // namespace
}  // namespace vantrel::store::testing
