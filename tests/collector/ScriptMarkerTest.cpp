// The server address in vantrel-collect.sh: where the intake writes it,
// which addresses it refuses, and the reply that carries the script.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "IntakeError.h"
#include "ReportHandlerTestSupport.h"
#include "ScriptDownload.h"
#include "TestFiles.h"

namespace vantrel::intake {
namespace {

const std::string kScript =
    "#!/bin/sh\n"
    "# vantrel_server='' in a comment is no marker\n"
    "vantrel_server=''\n"
    "x vantrel_server=''\n"
    "vantrel_server='' # nor with more on its line\n"
    "main \"$@\"\n";

TEST(ScriptMarker, TheAddressGoesBetweenTheMarkerLinesQuotesAndNowhereElse) {
    std::string script = kScript;
    PatchScriptMarker(script, "10.0.0.1:8899");
    std::string expected = kScript;
    expected.replace(expected.find("\nvantrel_server=''\n") + 17, 0, "10.0.0.1:8899");
    EXPECT_EQ(script, expected);

    // The marker as the first or last line, without a line end.
    std::string first = "vantrel_server=''\nrest\n";
    PatchScriptMarker(first, "[fe80::1]:8899");
    EXPECT_EQ(first, "vantrel_server='[fe80::1]:8899'\nrest\n");
    std::string last = "#!/bin/sh\nvantrel_server=''";
    PatchScriptMarker(last, "pc");
    EXPECT_EQ(last, "#!/bin/sh\nvantrel_server='pc'");
}

TEST(ScriptMarker, RefusesScriptsWithoutOneMarkerAndAddressesThatAreNotHostPort) {
    const std::string twice = kScript + "vantrel_server=''\n";
    const std::string none = "#!/bin/sh\nvantrel_server='' \n";
    for (const std::string& bad : {twice, none, std::string()}) {
        std::string script = bad;
        EXPECT_THROW(PatchScriptMarker(script, "pc:8899"), IntakeError) << bad;
        EXPECT_EQ(script, bad);
    }
    for (const std::string& address :
         {std::string(), std::string("pc'; reboot; '"), std::string("$(id)"), std::string("a b"),
          std::string("pc\nrm -rf ~"), std::string("\xD5\xC5\xC8\xFD"), std::string(300, 'a')}) {
        std::string script = kScript;
        EXPECT_THROW(PatchScriptMarker(script, address), IntakeError) << address;
        EXPECT_EQ(script, kScript);
    }
}

TEST(ScriptDownload, ServesTheScriptAsPlainTextOrFailsWithNothingSent) {
    char pattern[] = "/tmp/vantrel-script-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::filesystem::path file = std::filesystem::path(pattern) / "vantrel-collect.sh";
    std::ofstream(file, std::ios::binary) << kScript;
    const ScriptDownload download(file.string());

    HttpRequest request;
    request.method = "GET";
    test::FakeConnection get;
    download.Serve(get, request, "pc:8899");
    std::string patched = kScript;
    PatchScriptMarker(patched, "pc:8899");
    EXPECT_EQ(get.written,
              ReplyHeaderBlock(200, "OK", "text/plain; charset=utf-8", patched.size()) + patched);

    request.method = "HEAD";
    test::FakeConnection head;
    download.Serve(head, request, "pc:8899");
    EXPECT_EQ(head.written,
              ReplyHeaderBlock(200, "OK", "text/plain; charset=utf-8", patched.size()));
    EXPECT_EQ(testsupport::ReadFile(file), kScript) << "the file itself is never changed";

    std::ofstream(file, std::ios::binary) << "#!/bin/sh\necho no marker\n";
    test::FakeConnection noMarker;
    EXPECT_THROW(download.Serve(noMarker, request, "pc:8899"), IntakeError);
    EXPECT_EQ(noMarker.written, "");

    std::filesystem::remove_all(pattern);
    test::FakeConnection missing;
    try {
        download.Serve(missing, request, "pc:8899");
        FAIL() << "a missing file must fail";
    } catch (const IntakeError& error) {
        EXPECT_STREQ(error.what(), "File \"vantrel-collect.sh\" not found");
    }
    EXPECT_EQ(missing.written, "");
}

}  // namespace
}  // namespace vantrel::intake
