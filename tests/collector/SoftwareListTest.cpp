// Which Uninstall entries the Windows collector sends, and the exact bytes
// of the value it builds from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CollectorReport.h"
#include "FormEncoding.h"
#include "SoftwareField.h"
#include "SoftwareList.h"

namespace vantrel::collector {
namespace {

// "金山办公" in GBK.
const std::string kKingsoft = "\xBD\xF0\xC9\xBD\xB0\xEC\xB9\xAB";

TEST(SoftwareList, InstallDatesAreReadOnlyWhenTheyNameARealDay) {
    const struct {
        const char* given;
        const char* sent;
    } cases[] = {
        {"20231105", "2023-11-05"},
        {" 20240229 ", "2024-02-29"},
        {"2023-11-05", "2023-11-05"},
        {"20230229", ""},
        {"20231301", ""},
        {"20231100", ""},
        {"2023115", ""},
        {"11/05/2023", ""},
        {"0", ""},
        {"", ""},
        {"19000101", ""},
        {"2023-1-05", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatInstallDate(c.given), c.sent) << c.given;
    }
}

TEST(SoftwareList, KnowledgeBaseNumbersMarkUpdatesOnlyAsWordsOfTheirOwn) {
    const struct {
        const char* text;
        bool update;
    } cases[] = {
        {"Security Update for Microsoft Office 2016 (KB4484103) 64-Bit Edition", true},
        {"KB2504637", true},
        {"{90160000-0011-0000-1000-0000000FF1CE}_Office16.PROPLUS_{1A2B}.KB4011574", true},
        {"kb5001234", true},
        {"KB12345", false},     // too short for a knowledge-base number
        {"XKB1234567", false},  // inside a word
        {"KB1234567x", false},  // followed by a letter
        {"Keyboard KB Tool 2", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NamesAnUpdate(c.text), c.update) << c.text;
    }
}

TEST(SoftwareList, OnlyNamedProgramsThatAreNeitherComponentsNorUpdatesAreKept) {
    UninstallEntry program;
    program.keyName = "{A1B2}";
    program.displayName = " WPS  Office\t";
    program.displayVersion = "12.1.0.15712";
    program.publisher = kKingsoft;
    program.installDate = "20231105";
    program.bits = "32";
    program.scope = "machine";
    const auto kept = ProgramOf(program);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->name, "WPS Office");
    EXPECT_EQ(kept->installDate, "2023-11-05");
    EXPECT_EQ(kept->bits, "32");
    EXPECT_EQ(kept->scope, "machine");
    EXPECT_TRUE(kept->app);

    const struct {
        const char* why;
        void (*change)(UninstallEntry&);
    } skipped[] = {
        {"no name", [](UninstallEntry& e) { e.displayName.clear(); }},
        {"blank name", [](UninstallEntry& e) { e.displayName = " \t "; }},
        {"system component", [](UninstallEntry& e) { e.systemComponent = true; }},
        {"parent key", [](UninstallEntry& e) { e.parentKeyName = "OFFICE15.PROPLUS"; }},
        {"release type", [](UninstallEntry& e) { e.releaseType = "Security Update"; }},
        {"hotfix", [](UninstallEntry& e) { e.releaseType = "Hotfix"; }},
        {"KB key", [](UninstallEntry& e) { e.keyName = "KB2504637"; }},
        {"KB name", [](UninstallEntry& e) { e.displayName = "Update for Office (KB2553347)"; }},
    };
    for (const auto& s : skipped) {
        UninstallEntry entry = program;
        s.change(entry);
        EXPECT_FALSE(ProgramOf(entry)) << s.why;
    }
}

InstalledProgram Program(std::string name, std::string version, std::string bits,
                         std::string scope = "machine") {
    InstalledProgram program;
    program.name = std::move(name);
    program.version = std::move(version);
    program.bits = std::move(bits);
    program.scope = std::move(scope);
    return program;
}

TEST(SoftwareList, EachNameVersionAndBitsIsSentOnceInByteOrder) {
    std::vector<InstalledProgram> programs = {
        Program("b", "1", "64"),
        Program("a\tb\r\nc", "2\n", "32"),  // breaks inside values become blanks
        Program("b", "1", "64", "user"),    // the same again: the first stays
        Program("b", "1", "32"),            // another bitness is another program
        Program("", "9", "64"),             // no name
        Program(kKingsoft, "1", ""),
        Program("B", "1", "64"),
    };
    programs[0].publisher = kKingsoft;
    programs[0].installDate = "2023-11-05";
    programs[6].app = false;
    const SoftwareList list = BuildSoftwareList(programs);
    EXPECT_EQ(list.value,
              "B\t1\t\t\t64\tmachine\t0\n"
              "a b c\t2\t\t\t32\tmachine\t1\n"
              "b\t1\t\t\t32\tmachine\t1\n"
              "b\t1\t" +
                  kKingsoft + "\t2023-11-05\t64\tmachine\t1\n" + kKingsoft +
                  "\t1\t\t\t\tmachine\t1");
    EXPECT_EQ(list.found, 5u);
    EXPECT_EQ(list.sent, 5u);
    EXPECT_EQ(DescribeSoftware(list), "5 \xB8\xF6");  // "5 个"

    EXPECT_TRUE(BuildSoftwareList({}).value.empty());
    EXPECT_EQ(DescribeSoftware(BuildSoftwareList({})), "");
}

TEST(SoftwareList, TheBoundsKeepTheFirstWholeLines) {
    const auto numbered = [](std::size_t count, std::size_t nameBytes) {
        std::vector<InstalledProgram> programs;
        for (std::size_t i = 0; i < count; ++i) {
            std::string name = std::to_string(100000 + i);
            name += std::string(nameBytes - name.size(), 'x');
            programs.push_back(Program(name, "1", "64"));
        }
        return programs;
    };
    // Lines of "NNNNNN\t1\t\t\t64\tmachine\t1": 23 bytes with a 6-byte name.
    const struct {
        std::size_t programs;
        std::size_t nameBytes;
        std::size_t sent;
    } cases[] = {
        {protocol::kMaxPrograms, 6, protocol::kMaxPrograms},
        {protocol::kMaxPrograms + 1, 6, protocol::kMaxPrograms},
        // 255-byte names: 272 bytes a line, 273 with its break; 1920 fit.
        {3000, 255, (protocol::kMaxSoftwareBytes + 1) / 273},
    };
    for (const auto& c : cases) {
        const SoftwareList list = BuildSoftwareList(numbered(c.programs, c.nameBytes));
        EXPECT_EQ(list.found, c.programs);
        EXPECT_EQ(list.sent, c.sent);
        EXPECT_LE(list.value.size(), protocol::kMaxSoftwareBytes);
        EXPECT_EQ(static_cast<std::size_t>(std::count(list.value.begin(), list.value.end(), '\n')),
                  c.sent - 1);
        EXPECT_EQ(list.value.rfind("100000", 0), 0u);
        EXPECT_NE(list.value.back(), '\n');
    }
    // Names of double-byte characters take three bytes a byte in the form:
    // the form's bound cuts first, at a whole line.
    std::vector<InstalledProgram> wide = numbered(3000, 6);
    for (InstalledProgram& program : wide) {
        for (int i = 0; i < 124; ++i) {
            program.name += "\xBD\xF0";  // "金"
        }
    }
    const SoftwareList gbk = BuildSoftwareList(wide);
    const std::size_t encodedLine =
        EncodeFormValue(gbk.value.substr(0, gbk.value.find('\n') + 1)).size();
    EXPECT_LT(gbk.value.size(), protocol::kMaxSoftwareBytes);
    EXPECT_EQ(gbk.sent, (kMaxSoftwareFormBytes + 3) / encodedLine);
    EXPECT_LE(EncodeFormValue(gbk.value).size(), kMaxSoftwareFormBytes);

    const SoftwareList cut = BuildSoftwareList(numbered(protocol::kMaxPrograms + 1, 6));
    // "5001 个（只发送前 5000 个）"
    EXPECT_EQ(DescribeSoftware(cut),
              "5001 \xB8\xF6\xA3\xA8\xD6\xBB\xB7\xA2\xCB\xCD\xC7\xB0 5000 \xB8\xF6\xA3\xA9");
}

TEST(SoftwareList, TheReportCarriesTheListOnlyWhenProgramsWereFound) {
    HardwareFacts facts;
    FormFields fields = ReportFields(facts, PersonEntries{"x", "", "", ""});
    EXPECT_EQ(fields.back().first, "xipMacs");
    facts.software = BuildSoftwareList({Program("a", "1", "64")});
    fields = ReportFields(facts, PersonEntries{"x", "", "", ""});
    EXPECT_EQ(fields.back().first, protocol::kSoftwareField);
    EXPECT_EQ(fields.back().second, "a\t1\t\t\t64\tmachine\t1");
    // "已安装软件：1 个"
    EXPECT_NE(DescribeFacts(facts).find("\xD2\xD1\xB0\xB2\xD7\xB0\xC8\xED\xBC\xFE\xA3\xBA"
                                        "1 \xB8\xF6\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace vantrel::collector
