// Save, preview and delete against the real file system and URL cache, and
// through the main window's buttons.

#include "actions/file_actions.h"

#include "actions/movie_export.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/flickhold_app.h"
#include "settings/settings_store.h"
#include "support/dialog_driver.h"
#include "support/registry_fixture.h"
#include "support/temp_folder.h"
#include "support/test_dlg.h"
#include "support/url_cache.h"
#include "win/platform.h"

#include <wininet.h>

namespace fh {
namespace {

using test::FakeShell;
using test::SwfBytes;
using test::TempFolder;
using test::TestDlg;

SwfEntry MovieAt(int id, const std::string& name, const std::string& path, const std::string& site = "") {
    SwfEntry e;
    e.id = id;
    e.name = name;
    e.path = path;
    e.site = site;
    e.sizeText = "64";
    return e;
}

class FileActionsTest : public test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CFlickholdApp::EnsureSettingsKey();
        m_out = m_tmp.MakeFolder("out");
        SetText(kProgramKey, "SavePath", m_out);
    }
    std::string Source(const std::string& name, char tag = 'F') { return m_tmp.WriteFile("cache\\" + name, SwfBytes(tag, 64)); }

    std::unique_ptr<TestDlg> Open(const SwfEntryList& entries) {
        auto dlg = std::make_unique<TestDlg>("", SystemClock());
        dlg->nextEntries = entries;
        EXPECT_TRUE(dlg->Create(nullptr));
        return dlg;
    }

    TempFolder m_tmp;
    std::string m_out;
};

TEST_F(FileActionsTest, SaveTakesTheFirstFreeNameAndNeverOverwrites) {
    test::WriteFileAt(m_out + "\\intro.swf", "old");
    test::WriteFileAt(m_out + "\\intro01.swf", "old");
    FakeShell shell;
    FreeNameFinder names(SystemCodePage());
    const SwfEntry intro = MovieAt(2, "intro", Source("intro[1].swf"));
    EXPECT_TRUE(SaveEntry(intro, false, m_out, nullptr, shell, names));
    EXPECT_EQ(SwfBytes('F', 64), test::ReadFileAt(m_out + "\\intro02.swf"));
    EXPECT_EQ("old", test::ReadFileAt(m_out + "\\intro.swf"));
    EXPECT_EQ("old", test::ReadFileAt(m_out + "\\intro01.swf"));
    EXPECT_TRUE(SaveEntry(MovieAt(3, "flash003", Source("A1B2")), false, m_out, nullptr, shell, names));
    EXPECT_TRUE(test::PathExists(m_out + "\\flash003.swf"));

    // A name taken by a folder counts as taken, also for a new walk.
    ::CreateDirectoryA((m_out + "\\intro03.swf").c_str(), nullptr);
    FreeNameFinder fresh(SystemCodePage());
    EXPECT_TRUE(SaveEntry(intro, false, m_out, nullptr, shell, fresh));
    EXPECT_EQ(SwfBytes('F', 64), test::ReadFileAt(m_out + "\\intro04.swf"));
    EXPECT_TRUE(shell.messages.empty());

    // Folder rows are not saved, and report success.
    SwfEntry folder = MovieAt(4, "Sub", m_tmp.Path());
    folder.isFolder = true;
    EXPECT_TRUE(SaveEntry(folder, false, m_out, nullptr, shell, names));
    EXPECT_FALSE(test::PathExists(m_out + "\\Sub.swf"));
}

TEST_F(FileActionsTest, DeviceNamesAndRefusedPairsAreSavedUnderSafeNames) {
    const struct {
        const char* name;
        const char* saved;
    } cases[] = {
        {"nul", "_nul"}, {"con", "_con"}, {"com1", "_com1"}, {"LPT\xA9\xF7", "_LPT\xA9\xF7"},
        {"a\x81[b", "a_b"}, {"a:b", "a_b"},
    };
    FakeShell shell;
    FreeNameFinder names(SystemCodePage());
    SwfEntryList all;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SwfEntry entry = MovieAt(2, c.name, Source("movie[1].swf"));
        all.push_back(entry);
        EXPECT_TRUE(SaveEntry(entry, false, m_out, nullptr, shell, names));
        EXPECT_EQ(SwfBytes('F', 64), test::ReadFileAt(m_out + "\\" + c.saved + ".swf"));
        // Save As suggests the same safe name.
        shell.saveAnswers = {""};
        EXPECT_FALSE(SaveEntry(entry, true, m_out, nullptr, shell, names));
        EXPECT_EQ(std::string(c.saved), shell.savePresets.back());
    }
    EXPECT_TRUE(shell.messages.empty());
    // Save All, and batch saving without site folders, take the same names.
    const std::string again = m_tmp.MakeFolder("again");
    const SaveReport report = SaveMovies(all, again, false, "u");
    EXPECT_EQ(static_cast<int>(std::size(cases)), report.saved);
    EXPECT_EQ(again + "\\_nul.swf", report.targets[0]);
    EXPECT_EQ(SwfBytes('F', 64), test::ReadFileAt(again + "\\a_b01.swf"));
}

TEST_F(FileActionsTest, FailedCopiesShowTheNameAndSavingGoesOn) {
    FakeShell shell;
    FreeNameFinder names(SystemCodePage());
    EXPECT_TRUE(SaveEntry(MovieAt(2, "intro", Source("intro.swf")), false, m_tmp.Path() + "\\missing\\folder", nullptr,
                          shell, names));
    ASSERT_EQ(1u, shell.messages.size());
    EXPECT_EQ(LoadResString(IDS_SAVE_FAILED) + "intro", shell.messages[0]);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONSTOP), shell.messageFlags[0]);

    // A vanished source: the same message, nothing written.
    EXPECT_TRUE(SaveEntry(MovieAt(3, "gone", m_tmp.Path() + "\\gone.swf"), false, m_out, nullptr, shell, names));
    EXPECT_EQ(LoadResString(IDS_SAVE_FAILED) + "gone", shell.messages.back());
    EXPECT_FALSE(test::PathExists(m_out + "\\gone.swf"));
}

TEST_F(FileActionsTest, SaveAsUsesTheChosenFolderAndNameWithTheSwfEnding) {
    const std::string other = m_tmp.MakeFolder("chosen");
    test::WriteFileAt(other + "\\taken.swf", "old");
    FakeShell shell;
    shell.saveAnswers = {other + "\\game.fla", other + "\\taken.swf", ""};
    FreeNameFinder names(SystemCodePage());
    const SwfEntry movie = MovieAt(2, "intro", Source("intro.swf"));
    EXPECT_TRUE(SaveEntry(movie, true, m_out, nullptr, shell, names));
    EXPECT_TRUE(test::PathExists(other + "\\game.swf"));
    // Confirming the overwrite question still does not overwrite.
    EXPECT_TRUE(SaveEntry(movie, true, m_out, nullptr, shell, names));
    EXPECT_EQ("old", test::ReadFileAt(other + "\\taken.swf"));
    EXPECT_TRUE(test::PathExists(other + "\\taken01.swf"));
    EXPECT_FALSE(SaveEntry(movie, true, m_out, nullptr, shell, names));  // cancelled
    EXPECT_EQ((std::vector<std::string>{"intro", "intro", "intro"}), shell.savePresets);
}

TEST_F(FileActionsTest, PreviewOpensSwfFilesInPlaceAndOthersThroughOneCopy) {
    FakeShell shell;
    const std::string upper = Source("movie.SWF");
    PreviewMovie(upper, shell);
    PreviewMovie("a.s", shell);  // shorter than four: nothing
    const std::string first = m_tmp.WriteFile("cache\\0A1B", SwfBytes('C', 40));
    const std::string second = m_tmp.WriteFile("cache\\FFEE", SwfBytes('F', 80));
    PreviewMovie(first, shell);
    PreviewMovie(second, shell);
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string copy = std::string(temp) + "flickhold_temp_file.swf";
    EXPECT_EQ((std::vector<std::string>{upper, copy, copy}), shell.opened);
    EXPECT_EQ(SwfBytes('F', 80), test::ReadFileAt(copy));  // the second preview replaced the first
    PreviewMovie(m_tmp.Path() + "\\gone", shell);  // a failed copy opens nothing
    EXPECT_EQ(3u, shell.opened.size());
}

TEST_F(FileActionsTest, DeleteRemovesIndexEntriesAndFilesAndKeepsWhatStays) {
    test::ClearUrlCache();
    auto seeded = test::SeedUrlCache("http://example.com/del.swf", "swf", SwfBytes('F', 40));
    ASSERT_FALSE(seeded.localPath.empty());
    SwfEntry indexed = MovieAt(2, "del", seeded.localPath, "example.com");
    indexed.url = seeded.url;
    const SwfEntry loose = MovieAt(3, "loose", Source("loose.swf"));
    const std::string lockedPath = Source("locked.swf");
    ::SetFileAttributesA(lockedPath.c_str(), FILE_ATTRIBUTE_READONLY);
    const SwfEntry locked = MovieAt(4, "locked", lockedPath);
    SwfEntry folder = MovieAt(5, "Sub", m_tmp.MakeFolder("Sub"));
    folder.isFolder = true;
    SwfEntryList entries = {indexed, loose, locked, folder};

    const std::vector<std::string> kept = DeleteEntries(entries, {2, 3, 4, 5});
    EXPECT_EQ(std::vector<std::string>{"locked"}, kept);
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(4, entries[0].id);
    EXPECT_EQ(5, entries[1].id);
    EXPECT_FALSE(test::PathExists(seeded.localPath));
    EXPECT_FALSE(test::PathExists(loose.path));
    EXPECT_TRUE(test::PathExists(lockedPath));
    EXPECT_TRUE(test::PathExists(folder.path));
    // The index no longer knows the address.
    DWORD size = 0;
    EXPECT_FALSE(::GetUrlCacheEntryInfoA(seeded.url.c_str(), nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
    ::SetFileAttributesA(lockedPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    test::ClearUrlCache();
}

// --- through the main window's buttons ------------------------------------------

TEST_F(FileActionsTest, ButtonsSaveSelectedRowsAndAllOfTheLoad) {
    auto dlg = Open({MovieAt(2, "a", Source("a.swf"), "x.com"), MovieAt(3, "b", Source("b.swf"), "y.com"),
                     MovieAt(4, "c", Source("c.swf"), "y.com")});
    HWND wnd = dlg->Handle();
    test::SelectComboItem(wnd, IDC_SITE_COMBO, dlg->SiteCombo().FindStringExact(-1, "y.com"));
    ASSERT_EQ(2, dlg->List().GetItemCount());
    test::SelectRows(*dlg, {1});
    test::Click(wnd, IDC_SAVE);
    EXPECT_TRUE(test::PathExists(m_out + "\\c.swf"));
    EXPECT_FALSE(test::PathExists(m_out + "\\b.swf"));
    // Save All saves every movie of the load, the site filter notwithstanding.
    test::Click(wnd, IDC_SAVE_ALL);
    EXPECT_TRUE(test::PathExists(m_out + "\\a.swf"));
    EXPECT_TRUE(test::PathExists(m_out + "\\b.swf"));
    EXPECT_TRUE(test::PathExists(m_out + "\\c01.swf"));

    // Save As asks once per selected movie; the first cancel ends the walk.
    test::SelectRows(*dlg, {0, 1});
    dlg->shell.saveAnswers = {""};
    test::Click(wnd, IDC_SAVE_AS);
    EXPECT_EQ(std::vector<std::string>{"b"}, dlg->shell.savePresets);
    EXPECT_EQ(wnd, dlg->shell.owners.back());
}

TEST_F(FileActionsTest, SaveAllSkipsFolderRowsAndTheSaveFolderIsChosenAndOpened) {
    SetNumber(kProgramKey, "source", ChosenFolder);
    SwfEntry parent;
    parent.id = 2;
    parent.name = parent.path = "..";
    parent.isFolder = true;
    SwfEntry sub = MovieAt(3, "Sub", m_tmp.MakeFolder("Sub"));
    sub.isFolder = true;
    auto dlg = Open({parent, sub, MovieAt(4, "m", Source("m.swf"))});
    HWND wnd = dlg->Handle();
    test::Click(wnd, IDC_SAVE_ALL);
    EXPECT_TRUE(test::PathExists(m_out + "\\m.swf"));
    EXPECT_FALSE(test::PathExists(m_out + "\\Sub.swf"));
    EXPECT_FALSE(test::PathExists(m_out + "\\...swf"));

    dlg->shell.browseAnswer = m_tmp.Path();
    test::Click(wnd, IDC_CHOOSE_SAVE_FOLDER);
    EXPECT_EQ(std::vector<std::string>{m_out}, dlg->shell.browseInitial);
    EXPECT_EQ(m_tmp.Path(), GetSaveFolder());
    test::Click(wnd, IDC_OPEN_SAVE_FOLDER);
    EXPECT_EQ(std::vector<std::string>{m_tmp.Path()}, dlg->shell.opened);
}

TEST_F(FileActionsTest, DeleteButtonAsksFirstAndNamesWhatStays) {
    const std::string lockedPath = Source("locked.swf");
    ::SetFileAttributesA(lockedPath.c_str(), FILE_ATTRIBUTE_READONLY);
    auto dlg = Open({MovieAt(2, "a", Source("a.swf")), MovieAt(3, "locked", lockedPath)});
    HWND wnd = dlg->Handle();
    test::SelectRows(*dlg, {0, 1});
    dlg->shell.messageAnswer = IDNO;
    test::Click(wnd, IDC_DELETE);
    EXPECT_EQ(2, dlg->List().GetItemCount());
    EXPECT_EQ(LoadResString(IDS_CONFIRM_DELETE), dlg->shell.messages.back());
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), dlg->shell.messageFlags.back());

    dlg->shell.messageAnswer = IDYES;
    test::Click(wnd, IDC_DELETE);
    EXPECT_EQ(std::vector<std::string>{"locked"}, test::ListTexts(dlg->List().Handle()));
    EXPECT_EQ(LoadResString(IDS_DELETE_FAILED) + "\nlocked", dlg->shell.messages.back());
    ::SetFileAttributesA(lockedPath.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileActionsTest, PreviewButtonAndDoubleClickOpenTheFirstSelectedMovie) {
    const std::string cacheFile = m_tmp.WriteFile("cache\\0A1B", SwfBytes('C', 40));
    auto dlg = Open({MovieAt(2, "a", Source("a.swf")), MovieAt(3, "b", cacheFile)});
    HWND wnd = dlg->Handle();
    test::SelectRows(*dlg, {0});
    test::Click(wnd, IDC_PREVIEW);
    NMITEMACTIVATE activate{};
    activate.hdr.hwndFrom = dlg->List().Handle();
    activate.hdr.idFrom = IDC_SWF_LIST;
    activate.hdr.code = NM_DBLCLK;
    test::SelectRows(*dlg, {1});
    ::SendMessageA(wnd, WM_NOTIFY, IDC_SWF_LIST, reinterpret_cast<LPARAM>(&activate));
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    ASSERT_EQ(2u, dlg->shell.opened.size());
    EXPECT_EQ(m_tmp.Path() + "\\cache\\a.swf", dlg->shell.opened[0]);
    EXPECT_EQ(std::string(temp) + "flickhold_temp_file.swf", dlg->shell.opened[1]);
}

}  // namespace
}  // namespace fh
