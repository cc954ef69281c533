// Readable literals: each becomes the exact GBK bytes once, one that GBK
// cannot hold is refused, and every literal the program writes converts.
// The last case also keeps GBK text from creeping back in as \x escapes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Gbk.h"
#include "GbkLiteral.h"

namespace vantrel::text {
namespace {

TEST(GbkLiteral, ConvertsOnceToTheExactBytes) {
    EXPECT_EQ(u8"保存成功！"_gbk, "\xb1\xa3\xb4\xe6\xb3\xc9\xb9\xa6\xa3\xa1");
    EXPECT_EQ(u8"IP地址 → “?”"_gbk, "IP\xb5\xd8\xd6\xb7 \xa1\xfa \xa1\xb0?\xa1\xb1");
    EXPECT_EQ(u8""_gbk, "");
    // The same literal anywhere is one converted string.
    const std::string& first = u8"、"_gbk;
    const std::string& second = u8"、"_gbk;
    EXPECT_EQ(&first, &second);
}

TEST(GbkLiteral, RefusesWhatGbkCannotHold) {
    for (std::u8string_view text : {std::u8string_view(u8"文件😀"), std::u8string_view(u8"한국어"),
                                    std::u8string_view(u8"ok\xff")}) {
        try {
            Utf8ToGbkExact(text);
            ADD_FAILURE() << "converted: " << std::string(text.begin(), text.end());
        } catch (const std::logic_error& error) {
            EXPECT_NE(std::string(error.what()).find(std::string(text.begin(), text.end())),
                      std::string::npos);
        }
    }
}

std::vector<std::filesystem::path> ProgramSources() {
    std::vector<std::filesystem::path> files;
    for (const char* folder :
         {"app", "intake", "store", "import", "export", "scan", "protocol", "text", "collector"}) {
        const std::filesystem::path root = std::filesystem::path(VANTREL_SOURCE_DIR) / folder;
        if (!std::filesystem::exists(root)) {
            continue;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            const auto extension = entry.path().extension();
            if (extension == ".cpp" || extension == ".h") {
                files.push_back(entry.path());
            }
        }
    }
    return files;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The literals u8"..."_gbk of a source, unescaped.
std::vector<std::string> GbkLiterals(const std::string& source) {
    std::vector<std::string> literals;
    for (std::size_t at = source.find("u8\""); at != std::string::npos;
         at = source.find("u8\"", at + 1)) {
        std::string text;
        std::size_t i = at + 3;
        for (; i < source.size() && source[i] != '"'; ++i) {
            if (source[i] == '\\' && i + 1 < source.size()) {
                const char escaped = source[++i];
                text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
            } else {
                text += source[i];
            }
        }
        if (source.compare(i, 5, "\"_gbk") == 0) {
            literals.push_back(text);
        }
    }
    return literals;
}

// Runs of \x escapes in a source that read as GBK text with at least one
// double-byte character.
std::vector<std::string> EscapedGbkRuns(const std::string& source) {
    std::vector<std::string> runs;
    std::size_t i = 0;
    while ((i = source.find("\\x", i)) != std::string::npos) {
        const std::size_t start = i;
        std::string bytes;
        while (source.compare(i, 2, "\\x") == 0 && i + 3 < source.size() &&
               text::AsciiHexValue(source[i + 2]) >= 0 && text::AsciiHexValue(source[i + 3]) >= 0) {
            bytes += static_cast<char>(text::AsciiHexValue(source[i + 2]) * 16 +
                                       text::AsciiHexValue(source[i + 3]));
            i += 4;
        }
        i = std::max(i, start + 2);
        const bool hasDoubleByte = bytes.size() >= 2 && IsLeadByte(bytes[0]);
        if (hasDoubleByte && IsValidGbk(bytes)) {
            runs.push_back(source.substr(start, i - start));
        }
    }
    return runs;
}

TEST(GbkLiteral, EveryProgramTextConvertsAndNoneIsEscaped) {
    const auto files = ProgramSources();
    ASSERT_GT(files.size(), 50u);
    std::size_t literals = 0;
    for (const auto& file : files) {
        const std::string source = ReadAll(file);
        for (const std::string& text : GbkLiterals(source)) {
            ++literals;
            EXPECT_NO_THROW(Utf8ToGbkExact(
                std::u8string_view(reinterpret_cast<const char8_t*>(text.data()), text.size())))
                << file << ": " << text;
        }
        for (const std::string& run : EscapedGbkRuns(source)) {
            ADD_FAILURE() << file << ": GBK text as escapes, write it as u8\"...\"_gbk: " << run;
        }
    }
    EXPECT_GT(literals, 100u);
}

}  // namespace
}  // namespace vantrel::text
