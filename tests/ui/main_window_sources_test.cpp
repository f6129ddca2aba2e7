// The main window with its real loaders, on a seeded URL cache and real folders.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/flickhold_app.h"
#include "support/dialog_driver.h"
#include "support/registry_fixture.h"
#include "support/temp_folder.h"
#include "support/test_dlg.h"
#include "support/url_cache.h"
#include "ui/flickhold_dlg.h"
#include "settings/settings_store.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {
namespace {

using test::ComboSelection;
using test::ComboTexts;
using test::ItemText;
using test::ListTexts;
using test::SwfBytes;
using test::TempFolder;

class MainWindowSourcesTest : public test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CFlickholdApp::EnsureSettingsKey();
        test::ClearUrlCache();
        // Keep the cache-folder scan on a folder of the test's own.
        SetText(kProgramKey, "IECacheFolder", m_cacheFolder.Path());
    }
    void TearDown() override {
        test::ClearUrlCache();
        RegistryTest::TearDown();
    }

    std::unique_ptr<CFlickholdDlg> Open() {
        auto dlg = std::make_unique<CFlickholdDlg>("", SystemClock());
        EXPECT_TRUE(dlg->Create(nullptr));
        return dlg;
    }

    static void DoubleClickRow(CFlickholdDlg& dlg, int row) {
        dlg.List().SetItemState(-1, 0, LVIS_SELECTED);
        dlg.List().SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
        NMITEMACTIVATE activate{};
        activate.hdr.hwndFrom = dlg.List().Handle();
        activate.hdr.idFrom = IDC_SWF_LIST;
        activate.hdr.code = NM_DBLCLK;
        activate.iItem = row;
        ::SendMessageA(dlg.Handle(), WM_NOTIFY, IDC_SWF_LIST, reinterpret_cast<LPARAM>(&activate));
    }

    static int RowOf(CFlickholdDlg& dlg, const std::string& text) {
        const std::vector<std::string> rows = ListTexts(dlg.List().Handle());
        auto it = std::find(rows.begin(), rows.end(), text);
        return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
    }

    TempFolder m_cacheFolder;
};

TEST_F(MainWindowSourcesTest, IeCacheRowsSitesAndDetails) {
    constexpr ULONGLONG kModified = (1142431509ULL + 11644473600ULL) * 10000000ULL;
    auto intro = test::SeedUrlCache("http://www.games.com/intro.swf", "swf", SwfBytes('F', 1234), kModified);
    test::SeedUrlCache("http://games.com/b/level.swf", "swf", SwfBytes('C', 10));
    test::SeedUrlCache("http://toons.org/cat.swf", "swf", SwfBytes('F', 10));
    m_cacheFolder.WriteFile("X\\stray.swf", SwfBytes('F', 10));

    auto dlg = Open();
    HWND wnd = dlg->Handle();
    const std::string all = LoadResString(IDS_ALL_SITES);
    const std::string unclassified = LoadResString(IDS_UNCLASSIFIED);
    EXPECT_EQ((std::vector<std::string>{"cat", "intro", "level", "stray"}), ListTexts(dlg->List().Handle()));
    std::vector<std::string> sites = ComboTexts(wnd, IDC_SITE_COMBO);
    std::sort(sites.begin(), sites.end());
    std::vector<std::string> expectedSites = {all, unclassified, "games.com", "toons.org"};
    std::sort(expectedSites.begin(), expectedSites.end());
    EXPECT_EQ(expectedSites, sites);

    // Row 0 ("cat") is selected; select "intro" and read its details.
    dlg->List().SetItemState(-1, 0, LVIS_SELECTED);
    dlg->List().SetItemState(RowOf(*dlg, "intro"), LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(intro.url, ItemText(wnd, IDC_URL));
    EXPECT_EQ("Wed, 15 Mar 2006 14:05:09 GMT", ItemText(wnd, IDC_CREATED));
    EXPECT_EQ("1 234" + LoadResString(IDS_BYTES), ItemText(wnd, IDC_FILE_SIZE));
    EXPECT_FALSE(ItemText(wnd, IDC_MODIFIED).empty());

    struct Case {
        std::string site;
        std::vector<std::string> rows;
    } cases[] = {{"games.com", {"intro", "level"}}, {unclassified, {"stray"}}, {"toons.org", {"cat"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.site);
        test::SelectComboItem(wnd, IDC_SITE_COMBO, dlg->SiteCombo().FindStringExact(-1, c.site));
        EXPECT_EQ(c.rows, ListTexts(dlg->List().Handle()));
    }
    // The unclassified movie shows its path where the address would be.
    dlg->List().SetItemState(-1, 0, LVIS_SELECTED);
    test::SelectComboItem(wnd, IDC_SITE_COMBO, dlg->SiteCombo().FindStringExact(-1, unclassified));
    EXPECT_EQ(m_cacheFolder.Path() + "\\X\\stray.swf", ItemText(wnd, IDC_URL));
    EXPECT_EQ("", ItemText(wnd, IDC_CREATED));
}

TEST_F(MainWindowSourcesTest, ChosenFolderNavigationUpAndDown) {
    TempFolder tmp;
    tmp.WriteFile("Games\\top.swf", SwfBytes('F', 10));
    tmp.WriteFile("Games\\Flash\\deep.SWF", SwfBytes('F', 10));
    SetText(kProgramKey, "CurrViewFolder", tmp.Path() + "\\Games");
    SetNumber(kProgramKey, "source", ChosenFolder);

    auto dlg = Open();
    HWND wnd = dlg->Handle();
    EXPECT_EQ((std::vector<std::string>{"..", "Flash", "top"}), ListTexts(dlg->List().Handle()));
    EXPECT_EQ(-1, dlg->List().GetNextItem(-1, LVNI_SELECTED));

    DoubleClickRow(*dlg, 1);
    EXPECT_EQ(tmp.Path() + "\\Games\\Flash", dlg->CurrViewFolder());
    EXPECT_EQ(dlg->CurrViewFolder(), *GetText(kProgramKey, "CurrViewFolder"));
    EXPECT_EQ(dlg->CurrViewFolder(), ItemText(wnd, IDC_VIEW_FOLDER));
    EXPECT_EQ((std::vector<std::string>{"..", "deep"}), ListTexts(dlg->List().Handle()));
    EXPECT_EQ(static_cast<DWORD>(ChosenFolder), GetNumber(kProgramKey, "source"));

    // A movie row is not navigated.
    DoubleClickRow(*dlg, 1);
    EXPECT_EQ(tmp.Path() + "\\Games\\Flash", dlg->CurrViewFolder());

    DoubleClickRow(*dlg, 0);
    DoubleClickRow(*dlg, 0);
    EXPECT_EQ(tmp.Path(), dlg->CurrViewFolder());

    // Selecting a folder row leaves the details alone; a movie row fills them.
    test::SelectComboItem(wnd, IDC_SOURCE_COMBO, 2);
    DoubleClickRow(*dlg, RowOf(*dlg, "Games"));
    dlg->List().SetItemState(RowOf(*dlg, "top"), LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(tmp.Path() + "\\Games\\top.swf", ItemText(wnd, IDC_URL));
    EXPECT_EQ("10" + LoadResString(IDS_BYTES), ItemText(wnd, IDC_CREATED));
    dlg->List().SetItemState(-1, 0, LVIS_SELECTED);
    dlg->List().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(tmp.Path() + "\\Games\\top.swf", ItemText(wnd, IDC_URL));
}

TEST_F(MainWindowSourcesTest, DriveRootNavigation) {
    SetText(kProgramKey, "CurrViewFolder", "C:\\windows");
    SetNumber(kProgramKey, "source", ChosenFolder);
    auto dlg = Open();
    ASSERT_EQ("..", ListTexts(dlg->List().Handle()).at(0));
    DoubleClickRow(*dlg, 0);
    EXPECT_EQ("C:\\", dlg->CurrViewFolder());
    EXPECT_NE("..", ListTexts(dlg->List().Handle()).at(0));
}

TEST_F(MainWindowSourcesTest, FirefoxSourceNumbersItsMovies) {
    TempFolder ff;
    ff.WriteFile("Profiles\\x\\cache2\\entries\\1", SwfBytes('C', 10));
    ff.WriteFile("Profiles\\x\\cache2\\entries\\2", SwfBytes('F', 10));
    SetText(kProgramKey, "FirefoxProfileFolder", ff.Path());
    auto dlg = Open();
    test::SelectComboItem(dlg->Handle(), IDC_SOURCE_COMBO, 1);
    EXPECT_EQ((std::vector<std::string>{"flash001", "flash002"}), ListTexts(dlg->List().Handle()));
    EXPECT_EQ(static_cast<DWORD>(FirefoxCache), GetNumber(kProgramKey, "source"));
    EXPECT_NE(-1, dlg->List().GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(LoadResString(IDS_LABEL_FILE), ItemText(dlg->Handle(), IDC_LABEL_URL));
}

// --- the list control ------------------------------------------------------------

// The control on a list view of its own, in a window of the test's.
TEST(SwfListCtrl, RecordsStylesAndKeys) {
    UniqueWindow parent(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(parent);
    ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_ICON | LVS_EDITLABELS, 0, 0, 200, 200, parent.Get(),
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SWF_LIST)), nullptr, nullptr);
    CSwfListCtrl list;
    ASSERT_TRUE(list.Attach(parent.Get(), IDC_SWF_LIST));
    EXPECT_EQ(0, list.InsertColumn(0, "ITEMS", LVCFMT_LEFT, 100));
    EXPECT_EQ(0, list.DeleteRows(kAllRows));
    const LONG_PTR style = list.Style();
    EXPECT_EQ(LVS_REPORT, style & LVS_TYPEMASK);
    EXPECT_FALSE(style & LVS_EDITLABELS);
    const DWORD ex = static_cast<DWORD>(::SendMessageA(list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES), ex);

    for (int i = 0; i < 4; ++i) list.SetRowData(list.InsertRow(i, "row" + std::to_string(i), 1), 100 + i);
    EXPECT_EQ(102, list.GetRowData(2));
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(2, list.GetRowCount(kSelectedRows));
    EXPECT_EQ(2, list.GetRowCount(kUnselectedRows));
    EXPECT_EQ(4, list.GetRowCount(kAllRows));
    EXPECT_EQ(2, list.DeleteRows(kSelectedRows));
    EXPECT_EQ((std::vector<std::string>{"row0", "row3"}), ListTexts(list.Handle()));
    EXPECT_EQ(103, list.GetRowData(1));

    // A row inserted behind the control's back has no record.
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = 2;
    item.pszText = const_cast<char*>("bare");
    ASSERT_EQ(2, static_cast<int>(::SendMessageA(list.Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item))));
    EXPECT_EQ(0, list.GetRowData(2));

    // Space neither selects nor toggles.
    list.SetItemState(-1, 0, LVIS_SELECTED);
    list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
    ::SendMessageA(list.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageA(list.Handle(), WM_CHAR, ' ', 0);
    ::SendMessageA(list.Handle(), WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(0, list.GetRowCount(kSelectedRows));

    // Cells are drawn in the system colours.
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    LVITEMA first{};
    first.mask = LVIF_PARAM;
    ::SendMessageA(list.Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&first));
    draw.nmcd.lItemlParam = first.lParam;
    draw.iSubItem = 0;
    EXPECT_EQ(CDRF_DODEFAULT, list.OnCustomDraw(&draw));
    EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), draw.clrText);
    EXPECT_EQ(::GetSysColor(COLOR_WINDOW), draw.clrTextBk);
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW, list.OnCustomDraw(&draw));

    // Style changes keep the forced styles (the scroll bars are the list
    // view's own to show and hide).
    list.ModifyStyle(LVS_REPORT | WS_VSCROLL, LVS_EDITLABELS | LVS_SORTASCENDING);
    EXPECT_EQ(LVS_REPORT, list.Style() & LVS_TYPEMASK);
    EXPECT_FALSE(list.Style() & LVS_EDITLABELS);
    EXPECT_TRUE(list.Style() & LVS_SORTASCENDING);
}

TEST_F(MainWindowSourcesTest, CacheFolderAnalysisListsACopiedChromiumCache) {
    const char* caches = std::getenv("FLICKHOLD_REAL_CACHES");
    ASSERT_NE(nullptr, caches) << "FLICKHOLD_REAL_CACHES names no fixtures";
    // Wine shows the machine's own folders on drive Z:.
    std::string folder = std::string("Z:") + caches + "/chromium-blockfile";
    std::replace(folder.begin(), folder.end(), '/', '\\');
    SetNumber(kProgramKey, "source", CacheArchive);
    SetText(kProgramKey, "CurrViewFolder", folder);

    auto dlg = Open();
    HWND wnd = dlg->Handle();
    EXPECT_EQ(LoadResString(IDS_SOURCE_ARCHIVE), ComboSelection(wnd, IDC_SOURCE_COMBO));
    std::vector<std::string> rows = ListTexts(dlg->List().Handle());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ((std::vector<std::string>{"ZeroClipboard", "big_fws", "gz_fws", "movie", "small_cws", "tiny_fws",
                                        "video-js"}),
              rows);
    std::vector<std::string> sites = ComboTexts(wnd, IDC_SITE_COMBO);
    for (const char* site : {"127.0.0.1", "localhost", "cdn.example.test"})
        EXPECT_NE(sites.end(), std::find(sites.begin(), sites.end(), site)) << site;

    // A movie inside a shared block file: its address, and Save but never Delete.
    const int gz = RowOf(*dlg, "small_cws");
    ASSERT_GE(gz, 0);
    test::SelectRows(*dlg, {gz});
    EXPECT_EQ("http://localhost:18765/games/small_cws.swf?level=2&v=3", ItemText(wnd, IDC_URL));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(wnd, IDC_SAVE)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(wnd, IDC_DELETE)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(wnd, IDC_CHOOSE_FOLDER)));
}

}  // namespace
}  // namespace fh
