// Network-card makers from copies of a few lines of the three IEEE
// registries, as ieee-data installs them.
#include <gtest/gtest.h>

#include "GbkConvert.h"
#include "NicMakers.h"

namespace vantrel::inventory::testing {
namespace {

TEST(NicMakers, TheLongestMatchingRegistryPrefixNamesTheMaker) {
    const NicMakers makers = NicMakers::Load(VANTREL_TEST_DATA "/ieee");
    struct Case {
        const char* mac;
        const char* maker;
    };
    const Case cases[] = {
        // MA-L, in any of the spellings MACs come in; quoted names keep their commas.
        {"00-0C-29-AB-CD-EF", "VMware, Inc."},
        {"00:0c:29:00:00:01", "VMware, Inc."},
        {"000C29ABCDEF", "VMware, Inc."},
        {"00.1A.2B.00.00.01", "Ayecom Technology Co., Ltd."},
        {"F8-A2-D6-01-02-03", "Liteon Technology Corporation"},  // a CRLF line
        // MA-M and MA-S blocks take precedence over the registry's own MA-L.
        {"74-1A-E0-51-23-45", "FUJIAN TAILI COMMUNICATION TECHNOLOGY CO.,LTD"},
        {"74-1A-E0-21-23-45", "NURA HOLDINGS PTY LTD"},
        {"74-1A-E0-91-23-45", "IEEE Registration Authority"},
        {"70-B3-D5-F2-F1-23", "TELEPLATFORMS"},
        {"70-B3-D5-71-9F-FF", "2M Technology"},
        {"70-B3-D5-72-00-00", "IEEE Registration Authority"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(makers.MakerOf(c.mac), c.maker) << c.mac;
    }
    EXPECT_EQ(makers.Size(), 10u);  // the broken lines are skipped
}

TEST(NicMakers, LocalUnknownAndMalformedAddressesSayWhatTheyAre) {
    const NicMakers makers = NicMakers::Load(VANTREL_TEST_DATA "/ieee");
    const std::string local = text::Utf8ToGbk("本地分配");
    const std::string unknown = text::Utf8ToGbk("未知");
    EXPECT_EQ(makers.MakerOf("02-00-00-00-00-01"), local);
    EXPECT_EQ(makers.MakerOf("02:0C:29:AB:CD:EF"), local);  // the bit, not the registry
    EXPECT_EQ(makers.MakerOf("DE-AD-BE-EF-00-01"), local);
    EXPECT_EQ(makers.MakerOf("00-00-00-00-00-00"), unknown);  // Samba's zero unit id
    EXPECT_EQ(makers.MakerOf("00-11-22-33-44-55"), unknown);
    for (const char* bad :
         {"", "00-0C-29", "00-0C-29-AB-CD-EF-01", "XX-0C-29-AB-CD-EF", "\xB2\xC6"}) {
        EXPECT_EQ(makers.MakerOf(bad), unknown) << bad;
    }

    // Without ieee-data every look-up is unknown and nothing fails.
    const NicMakers none = NicMakers::Load(VANTREL_TEST_DATA "/no-such-folder");
    EXPECT_EQ(none.Size(), 0u);
    EXPECT_EQ(none.MakerOf("00-0C-29-AB-CD-EF"), unknown);
    EXPECT_EQ(none.MakerOf("02-00-00-00-00-01"), local);
}

}  // namespace
}  // namespace vantrel::inventory::testing
