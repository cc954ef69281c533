// Every writer through a failure: a file that cannot be created, a write
// that fails part way, a dataset error during the walk. The grid's position
// comes back and its controls are enabled on every path; what is left in
// the output is what each format promises.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "ExportError.h"
#include "ExportGridToFile.h"
#include "FakeGrid.h"
#include "TestFiles.h"

namespace vantrel::exporter::test {
namespace {

using testsupport::ReadFile;

const WriterKind kAllKinds[] = {WriterKind::Xls, WriterKind::Text, WriterKind::Csv,
                                WriterKind::Html, WriterKind::Rtf};

FakeGrid ThreeRows() {
    FakeGrid grid;
    grid.AddColumn(kBuMen, 62);
    grid.AddColumn("n", 30, FieldKind::Integer);
    grid.rows = {{"a", "1"}, {"b", "2"}, {"c", std::nullopt}};
    return grid;
}

std::string Full(WriterKind kind) {
    FakeGrid grid = ThreeRows();
    MemoryStream out;
    MakeExporter(kind, grid)->WriteGrid(out, true);
    return out.Bytes();
}

class ExportFailure : public ::testing::TestWithParam<WriterKind> {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-export-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::remove((dir + "/out").c_str());
        ::rmdir(dir.c_str());
    }
    std::string dir;
};

TEST_P(ExportFailure, FileIsWrittenWholeAndAnOldFileOverwritten) {
    const std::string path = dir + "/out";
    std::ofstream(path) << std::string(100000, 'z');
    FakeGrid grid = ThreeRows();
    ExportGridToFile(GetParam(), grid, path, true);
    EXPECT_EQ(ReadFile(path), Full(GetParam()));
    EXPECT_EQ(grid.events, "DSRE");
    EXPECT_EQ(grid.current, 7u);
}

TEST_P(ExportFailure, PathThatCannotBeCreatedWritesNothing) {
    FakeGrid grid = ThreeRows();
    EXPECT_THROW(ExportGridToFile(GetParam(), grid, dir + "/missing/out", true), ExportError);
    EXPECT_EQ(grid.events, "");  // the grid was never touched
    EXPECT_THROW(ExportGridToFile(GetParam(), grid, dir, true), ExportError);  // a folder
}

TEST_P(ExportFailure, WriteFailingPartWayKeepsWhatWasWritten) {
    const std::string full = Full(GetParam());
    for (std::size_t limit : {std::size_t{0}, std::size_t{5}, full.size() / 2, full.size() - 1}) {
        FakeGrid grid = ThreeRows();
        FailingStream out(limit);
        EXPECT_THROW(MakeExporter(GetParam(), grid)->WriteGrid(out, true), ExportError);
        // The stream received a prefix of the whole file, up to the failure.
        EXPECT_EQ(out.written, full.substr(0, limit));
        EXPECT_EQ(grid.current, 7u) << limit;
        EXPECT_EQ(grid.disabled, 0);
    }
    // The RTF writer writes only after the walk: a failure there is a failed
    // header or body write; every other writer fails during the walk and
    // restores the grid before the trailer.
}

TEST_P(ExportFailure, DatasetErrorStopsTheWalkWithoutTrailer) {
    FakeGrid grid = ThreeRows();
    grid.failAt = 2;
    MemoryStream out;
    EXPECT_THROW(MakeExporter(GetParam(), grid)->WriteGrid(out, true), std::runtime_error);
    EXPECT_EQ(grid.events, "DSRE");
    EXPECT_EQ(grid.current, 7u);

    // What the output holds: the complete output of the first two records
    // without the trailer, except RTF, which holds nothing.
    FakeGrid two = ThreeRows();
    two.rows.pop_back();
    MemoryStream full;
    MakeExporter(GetParam(), two)->WriteGrid(full, true);
    std::string expected = full.Bytes();
    switch (GetParam()) {
        case WriterKind::Rtf:
            expected.clear();
            break;
        case WriterKind::Xls:
            expected.resize(expected.size() - 4);  // no EOF
            break;
        case WriterKind::Html:
            expected.resize(expected.size() -
                            std::string("</TABLE>\r\n</BODY>\r\n</HTML>\r\n").size());
            break;
        case WriterKind::Text:
        case WriterKind::Csv:
            break;  // no trailer in these formats
    }
    EXPECT_EQ(out.Bytes(), expected);
}

TEST_P(ExportFailure, FullDiskLeavesTheFileClosedWithItsPrefix) {
    if (::access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    FakeGrid grid = ThreeRows();
    grid.rows.assign(20000, FakeGrid::Row{"value", "1"});
    EXPECT_THROW(ExportGridToFile(GetParam(), grid, "/dev/full", true), ExportError);
    EXPECT_EQ(grid.current, 7u);
    EXPECT_EQ(grid.disabled, 0);
}

std::string KindName(const ::testing::TestParamInfo<WriterKind>& kind) {
    static const char* const kNames[] = {"Xls", "Text", "Csv", "Html", "Rtf"};
    return kNames[static_cast<int>(kind.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, ExportFailure, ::testing::ValuesIn(kAllKinds), KindName);

TEST(ByteStream, MemoryKeepsEveryByteAcrossItsBlocks) {
    MemoryStream memory;
    std::string all;
    for (std::size_t i = 0; all.size() < 3 * MemoryStream::kBlock; ++i) {
        const std::string piece(i % 1000 + 1, static_cast<char>('a' + i % 26));
        memory.Write(piece);
        all += piece;
    }
    EXPECT_EQ(memory.Size(), all.size());
    EXPECT_EQ(memory.Bytes(), all);
    FailingStream copy(all.size());
    memory.CopyTo(copy);
    EXPECT_EQ(copy.written, all);
}

TEST(ExportDialog, FilterIndexSelectsTheWriter) {
    EXPECT_EQ(WriterOfFilterIndex(1), WriterKind::Xls);
    EXPECT_EQ(WriterOfFilterIndex(2), WriterKind::Text);
    EXPECT_EQ(WriterOfFilterIndex(3), WriterKind::Csv);
    EXPECT_EQ(WriterOfFilterIndex(4), WriterKind::Html);
    EXPECT_EQ(WriterOfFilterIndex(5), WriterKind::Rtf);
    EXPECT_EQ(WriterOfFilterIndex(0), std::nullopt);
    EXPECT_EQ(WriterOfFilterIndex(6), std::nullopt);
}

}  // namespace
}  // namespace vantrel::exporter::test
