#pragma once
// One generator for every class of hostile or damaged file the sheet
// readers must stand: each entry makes its file in a folder and says what
// importing it must end in. Workbooks are written by Python's zipfile from
// a line of Python that builds each part.

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ImportFixture.h"

namespace vantrel::import::testing {

struct HostileFile {
    enum class Outcome {
        Refused,     // the import stops; its message holds `says`
        ProblemRow,  // the import goes on; row `row` is listed, its reason holds `says`
        Imports,     // every row imports
    };
    const char* name;
    std::function<std::string(const std::string& dir)> make;  // the file's path
    Outcome outcome;
    const char* says = "";  // UTF-8
    std::size_t row = 0;
};

namespace hostile {

inline const std::string kWorkbook =
    "z.writestr('xl/workbook.xml', '<workbook><sheets><sheet name=\"a\" r:id=\"rId1\"/>"
    "</sheets></workbook>')\n"
    "z.writestr('xl/_rels/workbook.xml.rels', '<Relationships><Relationship Id=\"rId1\" "
    "Target=\"worksheets/sheet1.xml\"/></Relationships>')\n";

// Python expressions: the title row, and good data rows `first`..`last`.
inline const std::string kTitle =
    "'<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>pcname</t></is></c>"
    "<c r=\"B1\" t=\"inlineStr\"><is><t>mac</t></is></c></row>'";
inline std::string GoodRows(int first, int last) {
    return "''.join('<row r=\"%d\"><c r=\"A%d\" t=\"inlineStr\"><is><t>pc%d</t></is></c>"
           "<c r=\"B%d\" t=\"inlineStr\"><is><t>00-11-22-%02X-%02X-%02X</t></is></c></row>' % "
           "(r, r, r, r, r // 65536, r // 256 % 256, r % 256) for r in range(" +
           std::to_string(first) + ", " + std::to_string(last + 1) + "))";
}
// `count` cells referring to shared string 0, in row `row`.
inline std::string SharedRow(const std::string& row, int count) {
    return "('<row r=\"" + row + "\">' + '<c t=\"s\"><v>0</v></c>' * " + std::to_string(count) +
           " + '</row>')";
}
inline const std::string kMegabyteShared =
    "z.writestr('xl/sharedStrings.xml', '<sst><si><t>' + 'x' * 1000000 + '</t></si></sst>')\n";

// A workbook whose sheet data is the Python expression `rows`, with
// `after` following the sheet data and `parts` added.
inline std::function<std::string(const std::string&)> Workbook(const std::string& name,
                                                               const std::string& rows,
                                                               const std::string& after = "",
                                                               const std::string& parts = "") {
    return [=](const std::string& dir) {
        return MakeZip(dir + "/" + name,
                       kWorkbook + parts +
                           "z.writestr('xl/worksheets/sheet1.xml', '<worksheet><sheetData>' + (" +
                           rows + ") + '</sheetData>" + after + "</worksheet>')\n");
    };
}

inline std::function<std::string(const std::string&)> Bytes(const std::string& name,
                                                            std::function<std::string()> bytes) {
    return [=](const std::string& dir) {
        const std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes();
        return path;
    };
}

// An encrypted Office file as Office writes one: a compound file whose
// directory, in sector `directorySector` (512-byte sectors), names an
// "EncryptedPackage" stream. The allocation table is sector 0 (its chain
// entries past the first sector are left out: only the directory is read).
inline std::string EncryptedCompoundFile(std::uint32_t directorySector) {
    const auto put32 = [](std::string& bytes, std::size_t at, std::uint32_t value) {
        std::memcpy(bytes.data() + at, &value, 4);
    };
    std::string file((directorySector + 2) * 512, '\0');
    file.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    file[24] = 0x3E;
    file[26] = 0x03;
    file[28] = '\xFE';
    file[29] = '\xFF';
    file[30] = 9;  // 512-byte sectors
    file[32] = 6;
    put32(file, 44, 1);                // one table sector
    put32(file, 48, directorySector);  // the directory
    put32(file, 60, 0xFFFFFFFE);
    for (std::size_t at = 76; at < 512; at += 4) {
        put32(file, at, 0xFFFFFFFF);
    }
    put32(file, 76, 0);  // the table is sector 0
    const std::size_t table = 512;
    for (std::size_t entry = 0; entry < 128; ++entry) {
        put32(file, table + entry * 4, 0xFFFFFFFF);
    }
    put32(file, table, 0xFFFFFFFD);
    const std::size_t directory = (directorySector + 1) * 512;
    const auto name = [&](std::size_t entry, std::u16string_view text, char type) {
        std::memcpy(file.data() + directory + entry * 128, text.data(), text.size() * 2);
        file[directory + entry * 128 + 64] = static_cast<char>((text.size() + 1) * 2);
        file[directory + entry * 128 + 66] = type;
    };
    name(0, u"Root Entry", 5);
    name(1, u"EncryptionInfo", 2);
    name(2, u"EncryptedPackage", 2);
    return file;
}

// A list of `rows` good rows after its title, about 40 bytes a row.
inline std::string CsvRows(int rows) {
    std::string csv = "pcname,mac\r\n";
    for (int r = 0; r < rows; ++r) {
        char line[64];
        std::snprintf(line, sizeof line, "pc%d,00-11-22-33-%02X-%02X\r\n", r, r / 256 % 256,
                      r % 256);
        csv += line;
    }
    return csv;
}

}  // namespace hostile

inline std::vector<HostileFile> HostileFiles() {
    using namespace hostile;
    using O = HostileFile::Outcome;
    const std::string title = kTitle + " + ";
    return {
        // Bounds: a few KB that would expand to gigabytes.
        {"40 rows of 1,024 references to a 1 MB string",
         Workbook("fanout.xlsx",
                  title + "''.join(" + SharedRow("%d", 1024) + " % r for r in range(2, 42))", "",
                  kMegabyteShared),
         O::Refused, "行的内容合计超过"},
        {"one row of 1,024 references",
         Workbook("onerow.xlsx", title + SharedRow("2", 1024), "", kMegabyteShared), O::Refused,
         "第 2 行的内容合计超过"},
        {"30 good rows, then a row of references",
         Workbook("late.xlsx", title + GoodRows(2, 31) + " + " + SharedRow("32", 1024), "",
                  kMegabyteShared),
         O::Refused, "第 32 行的内容合计超过"},
        {"merged A2:AMJ200 over a 1 MB cell",
         Workbook("merged.xlsx",
                  title + "'<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>' + 'x' * 1000000 + "
                          "'</t></is></c></row>' + ''.join('<row r=\"%d\"/>' % r for r in "
                          "range(3, 201))",
                  "<mergeCells><mergeCell ref=\"A2:AMJ200\"/></mergeCells>"),
         O::Refused, "第 3 行的内容合计超过"},
        {"a thousand rows of one 1 MB reference",
         Workbook("tall.xlsx",
                  title + "''.join(" + SharedRow("%d", 1) + " % r for r in range(2, 1002))", "",
                  kMegabyteShared),
         O::Refused, "表格展开后已超过"},
        {"200,000 nested elements",
         Workbook("deep.xlsx", title + "'<x>' * 200000 + '</x>' * 200000"), O::Refused, "已损坏"},
        {"nested shared strings",
         Workbook("deepshared.xlsx", title + GoodRows(2, 3), "",
                  "z.writestr('xl/sharedStrings.xml', '<sst><si>' + '<r>' * 100000 + "
                  "'</r>' * 100000 + '</si></sst>')\n"),
         O::Refused, "已损坏"},
        {"a row numbered past 1,048,576",
         Workbook("farrow.xlsx", title + GoodRows(2, 3) + " + '<row r=\"2000000\"/>'"), O::Refused,
         "已损坏"},
        {"60,000 merged ranges beside 5,000 rows",
         Workbook("manymerged.xlsx", title + GoodRows(2, 5001),
                  "<mergeCells>' + ''.join('<mergeCell ref=\"C%d:D%d\"/>' % (r, r) for r in "
                  "range(2, 60002)) + '</mergeCells>"),
         O::Imports},
        // Refusals by content.
        {"a NUL byte past the first 64 KiB of a list",
         Bytes("nul.csv",
               [] { return CsvRows(3000) + std::string("pc\0x,00-AA-BB-CC-DD-EE\r\n", 24); }),
         O::Refused, "NUL 字节"},
        {"a list neither UTF-8 nor GBK",
         Bytes("neither.csv",
               [] {
                   return "pcname,mac\r\na\xff,00-11-22-33-44-55\r\n"
                          "b\xff,00-11-22-33-44-56\r\n";
               }),
         O::Refused, "既不是 UTF-8 也不是 GBK（第 2 行"},
        {"an encrypted workbook whose directory lies past 64 KiB",
         Bytes("secret.xlsx", [] { return EncryptedCompoundFile(200); }), O::Refused, "密码保护"},
        // Rows read wrong in silence before: now problem rows.
        {"a shared-string cell without a number",
         Workbook(
             "novalue.xlsx",
             title + GoodRows(2, 2) +
                 " + '<row r=\"3\"><c r=\"A3\" t=\"s\"/><c r=\"B3\" t=\"s\"><v>0</v></c></row>'",
             "",
             "z.writestr('xl/sharedStrings.xml', "
             "'<sst><si><t>00-AA-BB-CC-DD-EE</t></si></sst>')\n"),
         O::ProblemRow, "没有给出序号", 3},
        {"a shared string past the table's end",
         Workbook("pastend.xlsx",
                  title + GoodRows(2, 2) +
                      " + '<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>pc</t></is></c>"
                      "<c r=\"B3\" t=\"s\"><v>7</v></c></row>'",
                  "", "z.writestr('xl/sharedStrings.xml', '<sst><si><t>x</t></si></sst>')\n"),
         O::ProblemRow, "共享字符串不存在", 3},
        {"a cell given twice",
         Workbook("twice.xlsx",
                  title + GoodRows(2, 2) +
                      " + '<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>pc</t></is></c>"
                      "<c r=\"A3\" t=\"inlineStr\"><is><t>other</t></is></c></row>'"),
         O::ProblemRow, "A3 在文件中出现了不止一次", 3},
        {"a row given twice",
         Workbook("rowtwice.xlsx", title + GoodRows(2, 3) + " + " + GoodRows(3, 3)), O::ProblemRow,
         "行号重复", 3},
        {"a quote left open in row 3",
         Bytes("quote.csv",
               [] {
                   return "pcname,mac\r\npc1,00-11-22-33-44-01\r\n\"pc2,00-11-22-33-44-02\r\n"
                          "pc3,00-11-22-33-44-03\r\npc4,00-11-22-33-44-04\r\n";
               }),
         O::ProblemRow, "引号", 3},
        {"one stray byte in a UTF-8 list",
         Bytes("stray.csv",
               [] {
                   return "pcname,mac,bz\r\n张三,00-11-22-33-44-01,甲\r\n李四,00-11-22-33-44-02,"
                          "乙\r\n王\xff五,00-11-22-33-44-03,丙\r\n";
               }),
         O::ProblemRow, "UTF-8", 4},
        // Read by content, not by a substring.
        {"a list whose remark holds <table",
         Bytes("remark.csv", [] { return "pcname,bz\r\npc1,see <table> in the wiki\r\n"; }),
         O::Imports},
        {"a page with tables in its script and style",
         Bytes("page.htm",
               [] {
                   return "<html><head><style>td{}</style><script>var t = '<table><tr><td>x"
                          "</td></tr></table>';</script><style>a</style></head><body><table>"
                          "<tr><td>pcname</td><td>mac</td></tr><tr><td>real</td>"
                          "<td>00-11-22-33-44-55</td></tr></table></body></html>";
               }),
         O::Imports},
    };
}

}  // namespace vantrel::import::testing
