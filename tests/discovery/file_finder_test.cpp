#include "discovery/file_finder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "discovery/shell_helpers.h"
#include "support/temp_folder.h"
#include "win/platform.h"

namespace fh {
namespace {

using test::TempFolder;

struct Events {
    std::vector<std::pair<int, std::string>> seen;
    static void Record(CFileFinder& finder, int event, void* data) {
        auto* self = static_cast<Events*>(data);
        std::string what = event == FindMatchedFile ? finder.GetResult(finder.GetResultCount() - 1)
                           : event == FindFolder    ? finder.LastFolder() + "|" + finder.CurrentFolder()
                                                    : std::string();
        self->seen.emplace_back(event, what);
    }
};

TEST(FileFinder, RecursiveSearchReportsDeepestFoldersFirst) {
    TempFolder tmp;
    tmp.WriteFile("A\\a.swf", "x");
    tmp.WriteFile("A\\B\\b.swf", "x");
    tmp.WriteFile("A\\B\\C\\c.swf", "x");
    tmp.WriteFile("A\\B\\C\\skip.txt", "x");
    tmp.MakeFolder("A\\folder.swf");
    for (const std::string& suffix : {std::string(), std::string("\\"), std::string("/"), std::string("\\\\")}) {
        SCOPED_TRACE(suffix);
        CFileFinder finder;
        EXPECT_EQ(3, finder.FindFiles(tmp.Path() + "\\A" + suffix, "*.swf", 1));
        EXPECT_EQ(tmp.Path() + "\\A\\B\\C\\c.swf", finder.GetResult(0));
        EXPECT_EQ(tmp.Path() + "\\A\\B\\b.swf", finder.GetResult(1));
        EXPECT_EQ(tmp.Path() + "\\A\\a.swf", finder.GetResult(2));
        EXPECT_EQ("", finder.GetResult(3));
        EXPECT_EQ("", finder.GetResult(-1));
    }
}

// A junction back to an ancestor would list the same movies again and
// again; the walk does not descend into links, and removing the tree removes
// the link without deleting what it points at.
TEST(FileFinder, RecursionSkipsJunctionsAndLinks) {
    TempFolder tmp, outside;
    tmp.WriteFile("A\\a.swf", "x");
    tmp.WriteFile("A\\B\\b.swf", "x");
    const std::string keep = outside.WriteFile("kept.swf", "x");
    if (!test::MakeFolderLink(tmp.Path() + "\\A\\B\\loop", tmp.Path() + "\\A") ||
        !test::MakeFolderLink(tmp.Path() + "\\A\\out", outside.Path()))
        GTEST_SKIP() << "no folder links on this file system";
    CFileFinder finder;
    EXPECT_EQ(2, finder.FindFiles(tmp.Path() + "\\A", "*.swf", 1));
    EXPECT_EQ(tmp.Path() + "\\A\\B\\b.swf", finder.GetResult(0));
    EXPECT_EQ(tmp.Path() + "\\A\\a.swf", finder.GetResult(1));

    test::RemoveTree(tmp.Path() + "\\A");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((tmp.Path() + "\\A\\a.swf").c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(keep.c_str()));
    // Links Windows cannot remove (Wine's) are left for the test to remove.
    test::RemoveFolderLink(tmp.Path() + "\\A\\B\\loop");
    test::RemoveFolderLink(tmp.Path() + "\\A\\out");
}

TEST(FileFinder, EventsForFilesFoldersAndMisses) {
    TempFolder tmp;
    tmp.WriteFile("f.swf", "x");
    tmp.MakeFolder("Sub1");
    tmp.MakeFolder("Sub2");

    Events events;
    CFileFinder finder;
    finder.SetCallback(&Events::Record, &events);
    FindOptions options;
    options.folder = tmp.Path();
    options.options = kFindAttributeFilter;
    options.attributeMask = FILE_ATTRIBUTE_DIRECTORY;
    EXPECT_EQ(2, finder.Find(options));
    ASSERT_EQ(4u, events.seen.size());
    // The pass's own folder first, with lastFolder still empty.
    EXPECT_EQ(FindFolder, events.seen[0].first);
    EXPECT_EQ("|" + tmp.Path() + "\\", events.seen[0].second);
    int folders = 0, misses = 0;
    for (size_t i = 1; i < events.seen.size(); ++i) {
        if (events.seen[i].first == FindFolder) ++folders;
        if (events.seen[i].first == FindNoMatch) ++misses;
    }
    EXPECT_EQ(2, folders);
    EXPECT_EQ(1, misses);
    // Matched folders are kept with a trailing backslash.
    std::vector<std::string> results = {finder.GetResult(0), finder.GetResult(1)};
    std::sort(results.begin(), results.end());
    EXPECT_EQ((std::vector<std::string>{tmp.Path() + "\\Sub1\\", tmp.Path() + "\\Sub2\\"}), results);

    // Results carry over to the next search of the same finder.
    events.seen.clear();
    EXPECT_EQ(3, finder.FindFiles(tmp.Path(), "*.swf", 0));
    ASSERT_EQ(1u, events.seen.size());
    EXPECT_EQ(FindMatchedFile, events.seen[0].first);
    EXPECT_EQ(tmp.Path() + "\\f.swf", events.seen[0].second);
}

TEST(FileFinder, MissingFolderFindsNothing) {
    CFileFinder finder;
    EXPECT_EQ(0, finder.FindFiles("C:\\no\\such\\folder\\at\\all", "*.*", 1));
}

TEST(ShellHelpers, SizeTextOfRealFiles) {
    TempFolder tmp;
    EXPECT_EQ("5", GetFileSizeText(tmp.WriteFile("five", "12345")));
    EXPECT_EQ("123 456", GetFileSizeText(tmp.WriteFile("big", std::string(123456, 'x'))));
    EXPECT_EQ("", GetFileSizeText(tmp.WriteFile("empty", "")));
    EXPECT_EQ("", GetFileSizeText(tmp.Path() + "\\missing"));
    EXPECT_EQ("", GetFileSizeText(tmp.Path()));

    // A sparse file past 4 GiB shows its whole size.
    const std::string huge = tmp.Path() + "\\huge";
    HANDLE file = ::CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER at;
    at.QuadPart = 5368709120LL;
    ASSERT_TRUE(::SetFilePointerEx(file, at, nullptr, FILE_BEGIN));
    ASSERT_TRUE(::SetEndOfFile(file));
    ::CloseHandle(file);
    EXPECT_EQ("5 368 709 120", GetFileSizeText(huge));
}

TEST(ShellHelpers, CreationTimeAndSpecialFolders) {
    TempFolder tmp;
    std::int64_t time = 42;
    EXPECT_FALSE(GetFileCreationTime(tmp.Path() + "\\missing", time, SystemClock()));
    EXPECT_EQ(42, time);
    const std::string file = tmp.WriteFile("f.swf", "x");
    ASSERT_TRUE(GetFileCreationTime(file, time, SystemClock()));
    // UTC fields read as local time: within a day of now whatever the zone.
    EXPECT_LE(std::llabs(time - SystemClock().Now()), 86400 + 60);

    EXPECT_FALSE(GetSpecialFolderPath(0x001a).empty());  // application data
    EXPECT_FALSE(GetSpecialFolderPath(0x0024).empty());  // Windows folder
    EXPECT_EQ("", GetSpecialFolderPath(0x7777));
    const std::string drive = GetProgramDrive();
    ASSERT_EQ(3u, drive.size());
    EXPECT_EQ(":\\", drive.substr(1));
}

}  // namespace
}  // namespace fh
