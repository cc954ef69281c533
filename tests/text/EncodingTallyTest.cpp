// A whole file's encoding, told line by line: the verdict and the lines it
// names do not depend on where the file's chunks are cut.
#include <gtest/gtest.h>

#include <string>

#include "EncodingTally.h"

namespace vantrel::text {
namespace {

using Verdict = EncodingTally::Verdict;

TEST(EncodingTally, VerdictAndFirstBadLinesWhereverTheChunksEnd) {
    const std::string utf8Line = "\xe5\xbc\xa0\xe4\xb8\x89,00-11-22-33-44-55\r\n";  // 张三
    const std::string gbkLine = "\xd5\xc5\xc8\xfd,00-11-22-33-44-55\r\n";           // 张三
    const std::string padding(20, 'a');  // so the word-wide ASCII steps run
    const struct {
        const char* name;
        std::string file;
        Verdict verdict;
        std::size_t nonUtf8, nonGbk, nul;
    } cases[] = {
        {"ascii", padding + "\r\n" + padding, Verdict::Ascii, 0, 0, 0},
        {"utf-8", padding + "\n" + utf8Line + utf8Line, Verdict::Utf8, 0, 0, 0},
        {"gbk", padding + "\n" + gbkLine + gbkLine, Verdict::Gbk, 2, 0, 0},
        {"utf-8 with one stray byte", padding + "\n" + utf8Line + "x\xff\n" + utf8Line,
         Verdict::MostlyUtf8, 3, 3, 0},
        {"neither", padding + "\n" + "\xff" + padding + "\n" + gbkLine, Verdict::Neither, 2, 2, 0},
        {"a character cut by the line's end", padding + "\n\xe5\xbc\n" + utf8Line, Verdict::Gbk, 2,
         0, 0},
        {"a gbk pair cut by the line's end", "\xd5\n\xc5\n", Verdict::Neither, 1, 1, 0},
        {"nul late", padding + "\n" + padding + "\n" + padding + std::string("\0", 1) + "\n",
         Verdict::Ascii, 0, 0, 3},
    };
    for (const auto& c : cases) {
        for (std::size_t cut = 0; cut <= c.file.size(); ++cut) {
            SCOPED_TRACE(std::string(c.name) + " cut at " + std::to_string(cut));
            EncodingTally tally;
            tally.Feed(std::string_view(c.file).substr(0, cut));
            tally.Feed(std::string_view(c.file).substr(cut));
            tally.Finish();
            EXPECT_EQ(tally.Result(), c.verdict);
            EXPECT_EQ(tally.FirstNonUtf8Line(), c.nonUtf8);
            EXPECT_EQ(tally.FirstNonGbkLine(), c.nonGbk);
            EXPECT_EQ(tally.FirstNulLine(), c.nul);
        }
    }
}

}  // namespace
}  // namespace vantrel::text
