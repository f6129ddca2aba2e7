#include "app/cmdline.h"

#include <gtest/gtest.h>

#include <vector>

namespace fh {
namespace {

std::string SiteOf(std::vector<const char*> args) {
    args.insert(args.begin(), "Flickhold.exe");
    CFlagCmdLine parser;
    ParseCommandLine(parser, static_cast<int>(args.size()), args.data());
    return FindSiteArgument(parser.Flags(), CodePage::Korean());
}

TEST(CommandLine, FlagsKeepTheirTextWithoutTheFlagCharacter) {
    const char* argv[] = {"Flickhold.exe", "/a", "plain", "-bc", "", "/"};
    CFlagCmdLine parser;
    ParseCommandLine(parser, 6, argv);
    EXPECT_EQ((std::vector<std::string>{"a", "bc", ""}), parser.Flags());
}

TEST(CommandLine, SiteFlagRule) {
    struct Case {
        const char* label;
        std::vector<const char*> args;
        std::string site;
    } cases[] = {
        {"no arguments", {}, ""},
        {"slash", {"/site:example.com"}, "example.com"},
        {"dash, upper-case prefix, host keeps case", {"-SITE:Example.COM"}, "Example.COM"},
        {"mixed-case prefix", {"/SiTe:host"}, "host"},
        {"first of two flags wins", {"/site:first.org", "/site:second.org"}, "first.org"},
        {"one-character host is skipped", {"/site:a"}, ""},
        {"one-character host, then a valid one", {"/site:a", "-site:bb"}, "bb"},
        {"two-character host", {"/site:ab"}, "ab"},
        {"without a flag character", {"site:example.com"}, ""},
        {"all", {"/site:all"}, "all"},
        {"other flags ignored", {"/x", "-sitex:host", "/site:ok.net"}, "ok.net"},
        {"prefix only", {"/site:"}, ""},
        {"double-byte host", {"/site:\xB0\xA1\xB3\xAA"}, "\xB0\xA1\xB3\xAA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.site, SiteOf(c.args));
    }
}

}  // namespace
}  // namespace fh
