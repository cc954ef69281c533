// The fingerprint and memo that let the intake recognise a programs list it
// has read before, and the digest they stand in for.

#include <gtest/gtest.h>

#include <string>

#include "BytesFingerprint.h"
#include "ListDigestMemo.h"
#include "ReportHandlerTestSupport.h"
#include "SoftwareChanges.h"
#include "SoftwareIntake.h"

namespace vantrel::intake::test {
namespace {

TEST(BytesFingerprint, EveryByteAndTheLengthCount) {
    // 70 bytes: two whole 32-byte stripes and a padded rest.
    std::string base;
    for (int i = 0; i < 70; ++i) {
        base += static_cast<char>('a' + i % 26);
    }
    struct Case {
        const char* what;
        std::string a;
        std::string b;
    };
    auto changedAt = [&](std::size_t at) {
        std::string text = base;
        text[at] = static_cast<char>(text[at] ^ 1);
        return text;
    };
    const Case cases[] = {
        {"first byte", base, changedAt(0)},
        {"last byte of a stripe", base, changedAt(31)},
        {"first byte of the next", base, changedAt(32)},
        {"last byte of the rest", base, changedAt(69)},
        {"a trailing zero byte", base, base + std::string(1, '\0')},
        {"empty and one zero byte", "", std::string(1, '\0')},
        {"a whole stripe of zeros", std::string(32, '\0'), std::string(64, '\0')},
        {"two words swapped", "aaaaaaaabbbbbbbb", "bbbbbbbbaaaaaaaa"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(FingerprintOf(c.a) == FingerprintOf(c.b));
        EXPECT_EQ(FingerprintOf(c.a), FingerprintOf(std::string(c.a)));
    }
}

TEST(ListDigestMemo, KeepsTheNewestEntriesUpToItsCapacity) {
    ListDigestMemo memo(2);
    const BytesFingerprint one = FingerprintOf("one");
    const BytesFingerprint two = FingerprintOf("two");
    const BytesFingerprint three = FingerprintOf("three");
    memo.Remember(one, "1");
    memo.Remember(two, "2");
    memo.Remember(one, "again");  // known: neither replaced nor counted twice
    EXPECT_EQ(memo.Find(one), "1");
    memo.Remember(three, "3");
    EXPECT_EQ(memo.Size(), 2u);
    EXPECT_EQ(memo.Find(one), std::nullopt);
    EXPECT_EQ(memo.Find(two), "2");
    EXPECT_EQ(memo.Find(three), "3");
}

// Whichever way the intake finds a list's digest (worked out from the
// lines where they lie, from their values, or from the memo), it is the
// digest of the programs as the store reads them back.
TEST(ListDigestMemo, TheDigestIsTheSameOnEveryPath) {
    const std::string line = "Office\t16.0\tMaker\t2024-05-06\t64\tmachine\t1";
    const std::string fields[] = {
        line + "\r\n" + "Browser\t120.0\tOther\t\t32\tuser\t0\n",
        "Browser\t120.0\tOther\t\t32\tuser\t0\n" + line + "\r\n",
        line + "\n" + "Browser\t120.1\tOther\t\t32\tuser\t0\n",
        line,
        // A last value other than 1 or 0 reads as 0.
        "Tool\t1\t\t\t\t\tyes\n" + line + "\n",
        "Tool\t1\t\t\t\t\t\r\n",
        "Tool\t1\t\t\t\t\t1\r\r\n",
    };
    ListDigestMemo memo;
    std::vector<std::string> digests;
    for (const std::string& field : fields) {
        SCOPED_TRACE(field);
        const HttpRequest request =
            MakeRequest("POST", "/post", {"xipMac=02:4F:00:00:0A:01", "xipSoftware=" + field});
        const SoftwareIntake plain(request);
        const SoftwareIntake first(request, &memo);
        const SoftwareIntake remembered(request, &memo);
        ASSERT_NE(plain.List(), nullptr);
        const std::string expected = store::SoftwareDigest(store::ProgramsOf(*plain.List()));
        EXPECT_EQ(plain.List()->digest, expected);
        EXPECT_EQ(first.List()->digest, expected);
        EXPECT_EQ(remembered.List()->digest, expected);
        digests.push_back(expected);
    }
    // The same programs in another order are one list; a changed version
    // is another; an empty last value and "1\r" both read as 0.
    EXPECT_EQ(digests[0], digests[1]);
    EXPECT_NE(digests[0], digests[2]);
    EXPECT_EQ(digests[5], digests[6]);
}

}  // namespace
}  // namespace vantrel::intake::test
