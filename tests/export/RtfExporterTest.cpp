// The RTF table byte for byte: header tables written after the body, cell
// definitions in twips, styled text and its protection.
#include <gtest/gtest.h>

#include "FakeGrid.h"
#include "RtfExporter.h"

namespace vantrel::exporter::test {
namespace {

std::string Write(FakeGrid& grid) {
    RtfExporter writer(grid);
    MemoryStream out;
    writer.WriteGrid(out, true);
    return out.Bytes();
}

const std::string kBorders =
    "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n"
    "\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n";

TEST(RtfExporter, WholeDocumentOfASmallGrid) {
    FakeGrid grid;
    grid.AddColumn(kBuMen, 62);
    grid.AddColumn("n", 50, FieldKind::Integer);
    grid.window = {255, 255, 254};  // a colour of its own: index 3
    grid.rows = {{"a", std::nullopt}};
    const std::string title = "\\trowd\\trgaph40\r\n" + kBorders +
                              "\\clshdng10000\\clcfpat2\\cellx930\r\n" + kBorders +
                              "\\clshdng10000\\clcfpat2\\cellx1680\r\n{\\trrh0\r\n"
                              "\\pard\\intbl{\\qc\\sb24\\sa24\\fs20\\f0\\cf0\\cb2 " +
                              kBuMen +
                              "\\cell}\r\n"
                              "\\pard\\intbl{\\qc\\sb24\\sa24\\fs20\\f0\\cf0\\cb2 n\\cell}\r\n"
                              "\\pard\\intbl\\row}\r\n";
    const std::string record = "\\trowd\\trgaph40\r\n" + kBorders +
                               "\\clshdng10000\\clcfpat3\\cellx930\r\n" + kBorders +
                               "\\clshdng10000\\clcfpat3\\cellx1680\r\n{\\trrh0\r\n"
                               "\\pard\\intbl{\\ql\\sb24\\sa24\\fs20\\f0\\cf0\\cb3 a\\cell}\r\n"
                               "\\pard\\intbl{\\qr\\sb24\\sa24\\fs20\\f0\\cf0\\cb3 \\cell}\r\n"
                               "\\pard\\intbl\\row}\r\n";
    EXPECT_EQ(Write(grid),
              "{\\rtf0\\ansi\\ansicpg936\r\n"
              "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;"
              "\\red240\\green240\\blue240;\\red255\\green255\\blue254;}\r\n"
              "{\\fonttbl\\f0\\fnil " +
                  kSongTi + ";}\r\n" + title + record + "}");
}

TEST(RtfExporter, ColourAndFontTablesHoldEachValueOnce) {
    FakeGrid grid;
    grid.AddColumn("a", 62);
    grid.AddColumn("b", 62);
    grid.buttonFace = {255, 255, 255};  // equals the white seed
    grid.columns[1].font.name = "ARIAL";
    grid.columns[1].titleFont.name = "arial";
    grid.columns[1].font.color = Color::Of(Rgb{1, 2, 3});
    grid.rows = {{"x", "y"}, {"x", "y"}};
    const std::string rtf = Write(grid);
    EXPECT_NE(rtf.find("{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;"
                       "\\red1\\green2\\blue3;}\r\n{\\fonttbl\\f0\\fnil " +
                       kSongTi + ";\\f1\\fnil arial;}\r\n"),
              std::string::npos)
        << rtf;
    // The window colour is white: the data cells use index 1.
    EXPECT_NE(rtf.find("\\clcfpat1\\cellx930"), std::string::npos);
    EXPECT_NE(rtf.find("{\\ql\\sb24\\sa24\\fs20\\f1\\cf2\\cb1 y\\cell}"), std::string::npos);
}

TEST(RtfExporter, TwipsPerColumnAreTruncatedBeforeSumming) {
    FakeGrid grid;
    grid.pixelsPerInch = 97;  // 1 px = 14.85 twips
    grid.AddColumn("a", 1);
    grid.AddColumn("b", 1);
    const std::string rtf = Write(grid);
    EXPECT_NE(rtf.find("\\cellx14\r\n"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\cellx28\r\n"), std::string::npos);
    grid.look.flat = true;
    EXPECT_NE(Write(grid).find("\\sb12\\sa12"), std::string::npos);
}

TEST(RtfExporter, TextIsProtectedAndDoubleBytesStayRawUnlessTheirTrailIsSpecial) {
    EXPECT_EQ(RtfExporter::Protected("a\\b{c}d"), "a\\\\b\\{c\\}d");
    // 0x95 0x5C, 0x99 0x7B, 0x81 0x7D: trail bytes \ { }.
    EXPECT_EQ(RtfExporter::Protected("\x95\x5c|\x99\x7b|\x81\x7d"),
              "\\'95\\'5c|\\'99\\'7b|\\'81\\'7d");
    EXPECT_EQ(RtfExporter::Protected(kBuMen + "x"), kBuMen + "x");
    EXPECT_EQ(RtfExporter::Protected("1\r\n2\n3\r4"), "1\\line 2\\line 3\\line 4");
    // A lone lead byte at the end is written as it is.
    EXPECT_EQ(RtfExporter::Protected("}\xb2"), "\\}\xb2");
}

TEST(RtfExporter, StylesInTheirOrderAndTheDocumentsFrame) {
    FakeGrid grid;
    grid.AddColumn("a", 62);
    grid.columns[0].titleFont.bold = true;
    grid.columns[0].titleFont.italic = true;
    grid.columns[0].titleFont.underline = true;
    grid.columns[0].titleFont.strikeOut = true;
    grid.columns[0].titleFont.size = 9;
    const std::string rtf = Write(grid);
    EXPECT_NE(rtf.find("\\fs18\\b\\i\\strike\\ul\\f0\\cf0\\cb2 a\\cell}"), std::string::npos);
    EXPECT_EQ(rtf.rfind("{\\rtf0\\ansi", 0), 0u);
    EXPECT_EQ(rtf.back(), '}');
}

}  // namespace
}  // namespace vantrel::exporter::test
