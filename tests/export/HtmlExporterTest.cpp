// The HTML table byte for byte: header, table tag, title and data cells,
// font blocks and their escaping.
#include <gtest/gtest.h>

#include "FakeGrid.h"
#include "HtmlExporter.h"

namespace vantrel::exporter::test {
namespace {

std::string Write(FakeGrid& grid) {
    HtmlExporter writer(grid);
    MemoryStream out;
    writer.WriteGrid(out, true);
    return out.Bytes();
}

const std::string kFont =
    "<FONT STYLE=\"font-family: " + kSongTi + "; font-size: 10pt; color: #000000\">";

TEST(HtmlExporter, WholeDocumentOfASmallGrid) {
    FakeGrid grid;
    grid.AddColumn(kBuMen, 62);
    grid.AddColumn("n", 40, FieldKind::Integer);
    grid.rows = {{"a<b&c", "5"}, {std::nullopt, "say \"x\" >"}};
    EXPECT_EQ(Write(grid),
              "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n"
              "<HTML>\r\n<HEAD>\r\n"
              "<TITLE>\r\nDBGridEh1\r\n</TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
              "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=2 BGCOLOR=#F0F0F0>\r\n\r\n"
              "<TR>\r\n"
              "  <TD WIDTH=62 ALIGN=\"CENTER\">" +
                  kFont + kBuMen +
                  "</FONT></TD>\r\n"
                  "  <TD WIDTH=40 ALIGN=\"CENTER\">" +
                  kFont +
                  "n</FONT></TD>\r\n"
                  "</TR>\r\n"
                  "<TR>\r\n"
                  "  <TD WIDTH=62 ALIGN=\"LEFT\" BGCOLOR=#FFFFFF>" +
                  kFont +
                  "a&lt;b&amp;c</FONT></TD>\r\n"
                  "  <TD WIDTH=40 ALIGN=\"RIGHT\" BGCOLOR=#FFFFFF>" +
                  kFont +
                  "5</FONT></TD>\r\n"
                  "</TR>\r\n"
                  "<TR>\r\n"
                  "  <TD WIDTH=62 ALIGN=\"LEFT\" BGCOLOR=#FFFFFF>" +
                  kFont +
                  "&nbsp</FONT></TD>\r\n"
                  "  <TD WIDTH=40 ALIGN=\"RIGHT\" BGCOLOR=#FFFFFF>" +
                  kFont +
                  "say &quot;x&quot; &gt;</FONT></TD>\r\n"
                  "</TR>\r\n"
                  "</TABLE>\r\n</BODY>\r\n</HTML>\r\n");
}

TEST(HtmlExporter, TableTagFollowsTheGridLook) {
    FakeGrid grid;
    grid.buttonFace = {0xD4, 0xD0, 0xC8};
    auto tableLine = [&grid] {
        const std::string html = Write(grid);
        const std::size_t at = html.find("<TABLE");
        return html.substr(at, html.find('\n', at) - at + 1);
    };
    EXPECT_EQ(tableLine(), "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=2 BGCOLOR=#D4D0C8>\r\n");
    grid.look.ctl3D = false;
    grid.look.flat = true;
    EXPECT_EQ(tableLine(), "<TABLE BORDER=0 CELLSPACING=1 CELLPADDING=1 BGCOLOR=#D4D0C8>\r\n");
    grid.look.columnLines = false;
    grid.look.rowLines = false;
    EXPECT_EQ(tableLine(), "<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=1 BGCOLOR=#D4D0C8>\r\n");
    // No columns: no title row at all.
    EXPECT_EQ(Write(grid).find("<TR>"), std::string::npos);
}

TEST(HtmlExporter, FontStylesColoursAndEscapingOfDoubleBytes) {
    FakeGrid grid;
    grid.AddColumn("c", 10);
    ExportColumn& column = grid.columns[0];
    column.font = {"Arial", 12, Color::Of(Rgb{255, 0, 0}), true, true, true, true};
    column.color = Color::None();
    // Trail bytes 0x3C..0x3E do not occur in GBK, but a lead byte before an
    // ASCII '&' takes it as its trail and it is left alone.
    grid.rows = {{"\xb2\xbf&\x81&"}};
    const std::string html = Write(grid);
    EXPECT_NE(html.find("  <TD WIDTH=10 ALIGN=\"LEFT\" BGCOLOR=#000000>"
                        "<FONT STYLE=\"font-family: Arial; font-size: 12pt; color: #FF0000\">"
                        "<B><I><U><STRIKE>\xb2\xbf&amp;\x81&</B></I></U></STRIKE></FONT></TD>\r\n"),
              std::string::npos)
        << html;
}

}  // namespace
}  // namespace vantrel::exporter::test
