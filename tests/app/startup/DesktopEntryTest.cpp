// The desktop menu entry: paths quoted so that the menu starts exactly that
// program, files written and removed where the desktop looks, and every
// entry accepted by desktop-file-validate.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "DesktopEntry.h"
#include "TestFiles.h"

namespace vantrel::app::test {
namespace {

namespace fs = std::filesystem;

// The value of `key` in the entry; "" when missing.
std::string Value(const std::string& entry, const std::string& key) {
    const auto start = entry.find("\n" + key + "=");
    if (start == std::string::npos) {
        return "";
    }
    const auto begin = start + key.size() + 2;
    return entry.substr(begin, entry.find('\n', begin) - begin);
}

TEST(DesktopEntry, PathsAreQuotedAndTheEntryValidates) {
    const bool validator = std::system("command -v desktop-file-validate >/dev/null") == 0;
    struct Case {
        std::string folder;
        std::string exec;  // as the entry holds it
    };
    const Case cases[] = {
        {"/opt/vantrel-0.1.0", R"("/opt/vantrel-0.1.0/vantrel")"},
        {"/home/a b/桌面/vantrel", R"("/home/a b/桌面/vantrel/vantrel")"},
        // Quotes, $, ` and \ take a backslash (then doubled as a string); % is doubled.
        {R"(/tmp/x"$`\%y)", R"("/tmp/x\\"\\$\\`\\\\%%y/vantrel")"},
    };
    char pattern[] = "/tmp/vantrel-entry-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path scratch = pattern;
    for (const Case& c : cases) {
        const std::string entry =
            DesktopEntryText(c.folder + "/vantrel", c.folder + "/vantrel.png");
        EXPECT_EQ(Value(entry, "Exec"), c.exec) << c.folder;
        EXPECT_EQ(Value(entry, "Icon").back(), 'g') << c.folder;
        EXPECT_EQ(Value(entry, "Type"), "Application");
        if (validator) {
            const fs::path file = scratch / "vantrel.desktop";
            WriteDesktopEntry(file.string(), entry);
            const std::string command = "desktop-file-validate '" + file.string() + "' > '" +
                                        (scratch / "out").string() + "' 2>&1";
            EXPECT_EQ(std::system(command.c_str()), 0) << c.folder << "\n"
                                                       << testsupport::ReadFile(scratch / "out");
        }
    }
    fs::remove_all(scratch);
    EXPECT_THROW(DesktopEntryText("vantrel", "/x/vantrel.png"), std::invalid_argument);
    EXPECT_THROW(DesktopEntryText("/a\nb/vantrel", "/x/vantrel.png"), std::invalid_argument);
    if (!validator) {
        GTEST_SKIP() << "desktop-file-validate is not installed";
    }
}

TEST(DesktopEntry, IsWrittenUnderTheDataHomeAndRemovedAgain) {
    char pattern[] = "/tmp/vantrel-home-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path home = pattern;
    const std::string savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const std::string savedDataValue = savedData != nullptr ? savedData : "";

    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", "relative/is/ignored", 1);
    EXPECT_EQ(DesktopEntryPath(), (home / ".local/share/applications/vantrel.desktop").string());
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    const auto path = DesktopEntryPath();
    ASSERT_EQ(path, (home / "data/applications/vantrel.desktop").string());

    WriteDesktopEntry(*path, "[Desktop Entry]\n");
    EXPECT_EQ(testsupport::ReadFile(*path), "[Desktop Entry]\n");
    EXPECT_EQ(
        std::distance(fs::directory_iterator(home / "data/applications"), fs::directory_iterator()),
        1);  // no temporary file left
    EXPECT_TRUE(RemoveDesktopEntry(*path));
    EXPECT_FALSE(RemoveDesktopEntry(*path));

    ::setenv("HOME", savedHome.c_str(), 1);
    if (savedData != nullptr) {
        ::setenv("XDG_DATA_HOME", savedDataValue.c_str(), 1);
    } else {
        ::unsetenv("XDG_DATA_HOME");
    }
    fs::remove_all(home);
}

}  // namespace
}  // namespace vantrel::app::test
