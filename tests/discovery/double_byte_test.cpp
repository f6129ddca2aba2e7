// Paths with double-byte characters whose trail byte is a backslash or a
// bracket. These run in a process whose ANSI code page is 932.

#include <gtest/gtest.h>

#include "discovery/file_finder.h"
#include "discovery/loaders.h"
#include "discovery/swf_names.h"
#include "support/registry_fixture.h"
#include "support/temp_folder.h"
#include "settings/settings_store.h"
#include "win/platform.h"

namespace fh {
namespace {

using test::SwfBytes;
using test::TempFolder;

// "表" (0x95 0x5C) ends in a backslash byte; "ソ" (0x83 0x5C) too; "ー" (0x81 0x5B) in a bracket.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";
const std::string kBar = "\x81\x5B";

class DoubleByteTest : public test::RegistryTest {
protected:
    void SetUp() override {
        if (::GetACP() != 932) GTEST_SKIP() << "needs code page 932";
        RegistryTest::SetUp();
        CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey);
    }
};

TEST_F(DoubleByteTest, FinderKeepsAFolderNameEndingInATrailBackslash) {
    TempFolder tmp;
    const std::string folder = tmp.MakeFolder(kHyo);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(folder.c_str()));
    test::WriteFileAt(folder + "\\" + kSo + ".swf", SwfBytes('F', 10));
    CFileFinder finder;
    EXPECT_EQ(1, finder.FindFiles(folder, "*.swf", 0));
    EXPECT_EQ(folder + "\\" + kSo + ".swf", finder.GetResult(0));
    CFileFinder again;
    EXPECT_EQ(1, again.FindFiles(folder + "\\", "*.swf", 0));
}

TEST_F(DoubleByteTest, ChosenFolderRowsNamesAndNavigation) {
    TempFolder tmp;
    const std::string sub = tmp.MakeFolder("a" + kHyo);
    test::WriteFileAt(tmp.Path() + "\\" + kBar + "x" + kSo + ".swf", SwfBytes('F', 10));
    test::WriteFileAt(sub + "\\in.swf", SwfBytes('F', 10));

    SwfEntryList entries;
    int counter = 1;
    LoadChosenFolder(entries, counter, tmp.Path(), SystemClock());
    std::string seen;
    for (const SwfEntry& e : entries) seen += "[" + e.path + "]";
    ASSERT_EQ(3u, entries.size()) << seen;
    EXPECT_EQ("a" + kHyo, entries[1].name);
    EXPECT_EQ(sub, entries[1].path);
    EXPECT_EQ(kBar + "x" + kSo, entries[2].name);

    const std::string into = NavigateFolder(tmp.Path(), entries[1].path, entries[1].name, SystemCodePage());
    EXPECT_EQ(sub, into);
    EXPECT_EQ(tmp.Path(), NavigateFolder(into, "..", "..", SystemCodePage()));
    SwfEntryList inner;
    counter = 1;
    LoadChosenFolder(inner, counter, into + "\\", SystemClock());
    ASSERT_EQ(2u, inner.size());
    EXPECT_EQ("in", inner[1].name);
}

TEST_F(DoubleByteTest, FirefoxFolderWithTrailBackslashName) {
    TempFolder tmp;
    const std::string ff = tmp.MakeFolder(kHyo + "\\" + kSo);
    test::WriteFileAt(ff + "\\cache", SwfBytes('C', 10));
    SetText(kProgramKey, "FirefoxProfileFolder", ff + "\\");
    SwfEntryList entries;
    int counter = 1;
    LoadFirefoxCache(entries, counter, FirefoxFolders(), SystemClock());
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(ff + "\\cache", entries[0].path);
}

}  // namespace
}  // namespace fh
