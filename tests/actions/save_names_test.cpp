#include "actions/save_names.h"

#include <gtest/gtest.h>

#include <set>

namespace fh {
namespace {

// A folder whose names are a set, and the loop a save runs in it: the copy
// to the candidate fails where the name is taken, and goes on with the next.
struct FakeFolder {
    std::set<std::string> names;  // lower case
    int tries = 0;
    int Save(FreeNameFinder& finder, const std::string& folder, const std::string& base) {
        for (;;) {
            ++tries;
            const int counter = finder.Candidate(folder, base);
            const bool taken = !names.insert(CodePage().ToLower(SaveTarget(folder, base, counter))).second;
            finder.Taken(folder, base, counter);
            if (!taken) return counter;
        }
    }
};

TEST(SaveNames, TargetsFollowTheNumberingRule) {
    EXPECT_EQ("C:\\intro.swf", SaveTarget("C:", "intro", 0));
    EXPECT_EQ("C:\\s\\intro01.swf", SaveTarget("C:\\s", "intro", 1));
    EXPECT_EQ("C:\\intro99.swf", SaveTarget("C:", "intro", 99));
    EXPECT_EQ("C:\\intro100.swf", SaveTarget("C:", "intro", 100));
    EXPECT_EQ("C:\\100%01.swf", SaveTarget("C:", "100%", 1));  // the base is text, not a format

    const CodePage cp;
    FakeFolder folder;
    folder.names = {"d:\\intro.swf", "d:\\intro01.swf"};
    FreeNameFinder finder(cp);
    EXPECT_EQ(2, folder.Save(finder, "D:", "intro"));
    EXPECT_EQ(0, folder.Save(finder, "D:", "flash003"));
    EXPECT_EQ(3, folder.Save(finder, "D:", "intro"));
    // Another letter case is the same name to the file system: it goes on
    // from where "intro" stands.
    EXPECT_EQ(4, folder.Save(finder, "D:", "INTRO"));
    EXPECT_EQ(0, folder.Save(finder, "E:", "intro"));
}

// Many movies of one base name: each save probes a name or two, and the
// names come out as the rule gives them.
TEST(SaveNames, ManySavesOfOneNameStayLinear) {
    const CodePage cp;
    FakeFolder folder;
    FreeNameFinder finder(cp);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(i, folder.Save(finder, "E:", "main"));
    EXPECT_EQ(1000, folder.tries);
}

TEST(SaveNames, ChosenPathsAndTheSwfEnding) {
    const CodePage cp = CodePage::Japanese();
    struct Case {
        const char* path;
        const char* name;
        const char* folder;
    } cases[] = {
        {"D:\\saved\\game.fla", "game", "D:\\saved"},
        {"D:\\saved\\game", "game", "D:\\saved"},
        {"C:\\root.swf", "root", "C:"},
        {"\\lead.swf", "lead", ""},
        {"D:\\a.b\\noext", "noext", "D:\\a.b"},
        {"D:\\\x95\x5C\\m.swf", "m", "D:\\\x95\x5C"},  // a trail byte equal to the backslash
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const ChosenName chosen = SplitChosenPath(c.path, cp);
        EXPECT_EQ(c.name, chosen.name);
        EXPECT_EQ(c.folder, chosen.folder);
    }
    EXPECT_TRUE(EndsWithSwf("a.SWF", cp));
    EXPECT_TRUE(EndsWithSwf(".Swf", cp));
    EXPECT_FALSE(EndsWithSwf("swf", cp));
    EXPECT_FALSE(EndsWithSwf("C:\\cache\\A1B2C3", cp));
}

}  // namespace
}  // namespace fh
