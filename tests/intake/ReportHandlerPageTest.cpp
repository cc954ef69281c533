// The page file staff open: it must stay code page 936 bytes (an editor
// saving it as UTF-8 would make every browser post mangled names) and post
// the request names the handler reads.

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string PageBytes() {
    const char* env = std::getenv("VANTREL_WEB_DIR");
    const std::string dir = env != nullptr && *env != '\0' ? env : VANTREL_WEB_DIR;
    std::ifstream in(dir + "/ip.html", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// True when every byte sequence of `text` is valid code page 936.
bool IsValidGbk(const std::string& text) {
    iconv_t cd = iconv_open("UTF-8", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string input = text;
    std::string output(text.size() * 2 + 16, '\0');
    char* in = input.data();
    char* out = output.data();
    std::size_t inLeft = input.size();
    std::size_t outLeft = output.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    return rc != static_cast<std::size_t>(-1) && inLeft == 0;
}

TEST(ReportHandlerPage, IsGbkAndPostsEveryFieldAPersonFillsIn) {
    const std::string page = PageBytes();
    ASSERT_FALSE(page.empty());
    EXPECT_TRUE(IsValidGbk(page));
    // 使用者 in code page 936, not UTF-8.
    EXPECT_NE(page.find("\xCA\xB9\xD3\xC3\xD5\xDF"), std::string::npos);
    EXPECT_NE(page.find("<meta charset=\"gbk\">"), std::string::npos);
    EXPECT_NE(page.find("action=\"/post\""), std::string::npos);
    EXPECT_NE(page.find("method=\"post\""), std::string::npos);
    EXPECT_NE(page.find("accept-charset=\"gbk\""), std::string::npos);
    for (const char* name : {"xipUserName", "bm", "dh", "bz", "xipName", "xipDorl", "xipOs",
                             "xipCpu", "xipXk", "xipRammax"}) {
        EXPECT_NE(page.find(std::string("name=\"") + name + "\""), std::string::npos) << name;
    }
    EXPECT_NE(page.find("name=\"xipUserName\" required"), std::string::npos);
}

}  // namespace
