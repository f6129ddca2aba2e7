#include "ui/flickhold_dlg.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <functional>
#include <memory>

#include "app/flickhold_app.h"
#include "support/dialog_driver.h"
#include "support/registry_fixture.h"
#include "support/test_dlg.h"
#include "ui/date_filter.h"
#include "settings/settings_store.h"
#include "win/platform.h"

namespace fh {
namespace {

using test::ComboSelection;
using test::ComboTexts;
using test::ItemText;
using test::ListTexts;

using test::TestDlg;

SwfEntry Movie(int id, const std::string& name, const std::string& site, bool unclassified = false,
               std::int64_t time = 0) {
    SwfEntry e;
    e.id = id;
    e.name = name;
    e.path = "C:\\cache\\" + name + ".swf";
    e.site = site;
    e.unclassified = unclassified;
    e.fileTime = time;
    return e;
}

SwfEntry Folder(int id, const std::string& name) {
    SwfEntry e;
    e.id = id;
    e.name = name;
    e.path = "C:\\" + name;
    e.isFolder = true;
    return e;
}

class MainWindowTest : public test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CFlickholdApp::EnsureSettingsKey();
    }

    std::unique_ptr<TestDlg> Open(const SwfEntryList& entries = {}, const std::string& site = "") {
        auto dlg = std::make_unique<TestDlg>(site, SystemClock());
        dlg->nextEntries = entries;
        EXPECT_TRUE(dlg->Create(nullptr));
        return dlg;
    }

    static bool Enabled(const TestDlg& d, int id) { return ::IsWindowEnabled(d.Item(id)) != FALSE; }
    static bool Visible(const TestDlg& d, int id) { return (::GetWindowLongA(d.Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }

    static std::vector<int> SelectedRowIds(TestDlg& d) {
        std::vector<int> ids;
        for (int i = d.List().GetNextItem(-1, LVNI_SELECTED); i != -1; i = d.List().GetNextItem(i, LVNI_SELECTED))
            ids.push_back(static_cast<int>(d.List().GetRowData(i)));
        return ids;
    }

    struct Buttons {
        bool del, preview, save, saveAs, saveAll;
    };
    static Buttons ButtonStates(const TestDlg& d) {
        return {Enabled(d, IDC_DELETE), Enabled(d, IDC_PREVIEW), Enabled(d, IDC_SAVE), Enabled(d, IDC_SAVE_AS),
                Enabled(d, IDC_SAVE_ALL)};
    }
};

// --- the template ---------------------------------------------------------

struct ControlSpec {
    int id;
    const char* cls;
    const wchar_t* text;
    int x, y, w, h;
    DWORD styleBits;  // bits that must be set
    DWORD typeMask;   // for controls whose type is a value under a mask
    bool tabStop;
};

// Controls of the main window in template order (texts as Unicode escapes).
const ControlSpec kMainControls[] = {
    {-1, "Static", L"\uBE0C\uB77C\uC6B0\uC800:", 5, 10, 30, 8, SS_LEFT, SS_TYPEMASK, false},  // "Browser:"
    {IDC_SOURCE_COMBO, "ComboBox", nullptr, 36, 8, 109, 44, CBS_DROPDOWNLIST, 3, true},
    {-1, "Static", L"\uD3F4\uB354:", 150, 10, 24, 8, SS_LEFT, SS_TYPEMASK, false},  // "Folder:"
    {IDC_VIEW_FOLDER, "Edit", nullptr, 175, 8, 221, 12, ES_READONLY | ES_AUTOHSCROLL, 0, true},
    {IDC_CHOOSE_FOLDER, "Button", L"\uC120\uD0DD", 400, 8, 31, 12, BS_PUSHBUTTON, BS_TYPEMASK, true},
    {IDC_SWF_LIST, "SysListView32", L"", 7, 23, 164, 214,
     LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS | LVS_SORTASCENDING, 0, true},
    {IDC_PLAYER_FRAME, "Static", L"", 175, 23, 256, 214, SS_BLACKFRAME, SS_TYPEMASK, false},
    {IDC_PLAYER, FLICKHOLD_PLAYER_CLASS, L"", 177, 24, 253, 211, 0, 0, true},
    {-1, "Static", L"\uC0AC\uC774\uD2B8 \uC120\uD0DD:", 5, 241, 39, 8, SS_RIGHT, SS_TYPEMASK, false},
    {IDC_SITE_COMBO, "ComboBox", nullptr, 46, 239, 123, 130, CBS_DROPDOWNLIST | CBS_SORT, 3, true},
    {-1, "Static", L"\uB0A0\uC9DC\uC120\uD0DD:", 7, 256, 37, 8, SS_RIGHT, SS_TYPEMASK, false},
    {IDC_DATE_COMBO, "ComboBox", nullptr, 46, 254, 93, 87, CBS_DROPDOWNLIST, 3, true},
    {IDC_CHOOSE_DATE, "Button", L"\uC120\uD0DD", 142, 255, 27, 12, BS_PUSHBUTTON, BS_TYPEMASK, true},
    {IDC_LABEL_URL, "Static", nullptr, 174, 239, 48, 8, SS_RIGHT, SS_TYPEMASK, false},
    {IDC_URL, "Edit", L"", 225, 239, 206, 12, ES_READONLY | ES_AUTOHSCROLL, 0, true},
    {IDC_LABEL_CREATED, "Static", nullptr, 174, 250, 48, 8, SS_RIGHT, SS_TYPEMASK, false},
    {IDC_CREATED, "Edit", L"", 225, 250, 206, 12, ES_READONLY | ES_AUTOHSCROLL, 0, true},
    {IDC_LABEL_SIZE, "Static", nullptr, 174, 263, 48, 8, SS_RIGHT, SS_TYPEMASK, false},
    {IDC_FILE_SIZE, "Edit", L"", 225, 264, 206, 12, ES_READONLY | ES_AUTOHSCROLL, 0, true},
    {IDC_LABEL_MODIFIED, "Static", L"\uC218\uC815\uB41C \uB0A0\uC9DC:", 174, 275, 48, 8, SS_RIGHT, SS_TYPEMASK,
     false},
    {IDC_MODIFIED, "Edit", L"", 225, 275, 206, 12, ES_READONLY | ES_AUTOHSCROLL, 0, true},
    {IDC_REFRESH, "Button", L"\uC0C8\uB85C\uC77D\uAE30", 7, 273, 50, 14, BS_PUSHBUTTON, BS_TYPEMASK, true},
    {IDC_DELETE, "Button", L"\uC0AD\uC81C", 61, 273, 50, 14, BS_PUSHBUTTON, BS_TYPEMASK, true},
    {IDC_PREVIEW, "Button", L"\uBBF8\uB9AC\uBCF4\uAE30", 115, 273, 50, 14, BS_PUSHBUTTON, BS_TYPEMASK, true},
    {IDC_SAVE, "Button", L"\uC800\uC7A5", 7, 290, 50, 14, BS_DEFPUSHBUTTON, BS_TYPEMASK, true},
    {IDC_SAVE_AS, "Button", L"\uC0C8\uB85C\uC800\uC7A5", 62, 290, 47, 14, BS_PUSHBUTTON, BS_TYPEMASK, true},
    {IDC_SAVE_ALL, "Button", L"\uBAA8\uB4E0\uD30C\uC77C\uC800\uC7A5", 115, 290, 50, 14, BS_PUSHBUTTON, BS_TYPEMASK,
     true},
    {IDC_CHOOSE_SAVE_FOLDER, "Button", L"\uC800\uC7A5\uD3F4\uB354\uC120\uD0DD", 169, 290, 50, 14, BS_PUSHBUTTON,
     BS_TYPEMASK, true},
    {IDC_OPEN_SAVE_FOLDER, "Button", L"\uC800\uC7A5\uD3F4\uB354\uC5F4\uAE30", 223, 290, 50, 14, BS_PUSHBUTTON,
     BS_TYPEMASK, true},
    {IDOK, "Button", L"\uC885\uB8CC", 381, 290, 50, 14, BS_PUSHBUTTON, BS_TYPEMASK, true},
};

std::wstring WideText(HWND wnd) {
    wchar_t buffer[512] = L"";
    ::GetWindowTextW(wnd, buffer, 512);
    return buffer;
}

// The dialog manager converts origin and size separately.
RECT DialogUnitsToPixels(HWND dialog, int x, int y, int w, int h) {
    RECT r{x, y, w, h};
    ::MapDialogRect(dialog, &r);
    return {r.left, r.top, r.left + r.right, r.top + r.bottom};
}

RECT ChildRect(HWND dialog, HWND child) {
    RECT rc;
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

TEST_F(MainWindowTest, MatchesTemplate102ControlByControl) {
    auto dlg = Open();
    HWND wnd = dlg->Handle();
    EXPECT_EQ(L"SWF \uD30C\uC77C \uBCF4\uAE30/\uC800\uC7A5 \uD504\uB85C\uADF8\uB7A8", WideText(wnd));
    const LONG style = ::GetWindowLongA(wnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(::GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    RECT client = DialogUnitsToPixels(wnd, 0, 0, 438, 310);
    RECT actual;
    ::GetClientRect(wnd, &actual);
    EXPECT_EQ(client.right, actual.right);
    EXPECT_EQ(client.bottom, actual.bottom);

    HWND child = ::GetWindow(wnd, GW_CHILD);
    for (const ControlSpec& c : kMainControls) {
        SCOPED_TRACE(c.id);
        ASSERT_NE(nullptr, child);
        EXPECT_EQ(c.id, static_cast<int>(static_cast<short>(::GetDlgCtrlID(child))));
        char cls[64] = "";
        ::GetClassNameA(child, cls, sizeof(cls));
        EXPECT_STRCASEEQ(c.cls, cls);
        if (c.text) {
            EXPECT_EQ(std::wstring(c.text), WideText(child));
        }

        const DWORD s = static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE));
        if (c.typeMask) {
            EXPECT_EQ(c.styleBits & c.typeMask, s & c.typeMask);
        }
        EXPECT_EQ(c.styleBits & ~c.typeMask, s & c.styleBits & ~c.typeMask);
        EXPECT_EQ(c.tabStop, (s & WS_TABSTOP) != 0);
        if (c.id == IDC_SWF_LIST) {
            EXPECT_FALSE(s & LVS_SINGLESEL);
        }
        if (c.id == IDC_SITE_COMBO || c.id == IDC_SOURCE_COMBO || c.id == IDC_DATE_COMBO) {
            EXPECT_EQ(c.id == IDC_SITE_COMBO, (s & CBS_SORT) != 0);
        }
        if (std::string(c.cls) == "Edit") {
            const bool bordered = (s & WS_BORDER) || (::GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
            EXPECT_EQ(c.id == IDC_VIEW_FOLDER, bordered);
        }

        RECT expected = DialogUnitsToPixels(wnd, c.x, c.y, c.w, c.h);
        if (c.id == IDC_PLAYER) {
            // The player sits 1 pixel inside its frame.
            expected = DialogUnitsToPixels(wnd, 175, 23, 256, 214);
            ::InflateRect(&expected, -1, -1);
        }
        RECT got = ChildRect(wnd, child);
        EXPECT_EQ(expected.left, got.left);
        EXPECT_EQ(expected.top, got.top);
        EXPECT_EQ(expected.right, got.right);
        // A drop-down list's template height is that of its open list.
        if (std::string(c.cls) != "ComboBox") {
            EXPECT_EQ(expected.bottom, got.bottom);
        }
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, child);
}

// The manifest asks for common controls 6 in both the 32-bit and the 64-bit
// build: the list view's class must come from the side-by-side version 6
// module (its version resource is not telling under Wine, its place is).
TEST_F(MainWindowTest, ListComesFromCommonControlsSix) {
    auto dlg = Open();
    HMODULE comctl = nullptr;
    ASSERT_TRUE(::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                     reinterpret_cast<LPCSTR>(::GetClassLongPtrW(dlg->Item(IDC_SWF_LIST), GCLP_WNDPROC)),
                                     &comctl));
    char file[MAX_PATH] = "";
    ::GetModuleFileNameA(comctl, file, MAX_PATH);
    EXPECT_NE(nullptr, ::StrStrIA(file, "microsoft.windows.common-controls_6595b64144ccf1df_6.")) << file;
}

TEST_F(MainWindowTest, ApplicationIconForTheWindowAndForDragging) {
    auto dlg = Open();
    HWND wnd = dlg->Handle();
    const LRESULT big = ::SendMessageA(wnd, WM_GETICON, ICON_BIG, 0);
    ASSERT_NE(0, big);
    EXPECT_EQ(big, ::SendMessageA(wnd, WM_QUERYDRAGICON, 0, 0));
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(reinterpret_cast<HICON>(big), &info));
    EXPECT_EQ(static_cast<DWORD>(::GetSystemMetrics(SM_CXICON)), info.xHotspot * 2);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
}

TEST_F(MainWindowTest, StringTableHoldsTheTextsInUnicode) {
    struct Case {
        UINT id;
        const wchar_t* text;
    } cases[] = {
        {IDS_ALL_SITES, L"\uBAA8\uB4E0 \uC0AC\uC774\uD2B8"},
        {IDS_UNCLASSIFIED, L"\uBBF8\uBD84\uB958 SWF \uD30C\uC77C"},
        {IDS_SOURCE_IE, L"\uC775\uC2A4\uD50C\uB85C\uB7EC \uCE90\uC2DC"},
        {IDS_SOURCE_FIREFOX, L"\uD30C\uC774\uC5B4 \uD3ED\uC2A4 \uCE90\uC2DC"},
        {IDS_SOURCE_FOLDER, L"\uD30C\uC77C \uCC3E\uC544\uBCF4\uAE30"},
        {IDS_DATE_EXACT, L"\uC784\uC758\uB0A0\uC9DC \u2501 \u25B6"},
        {IDS_LABEL_ADDRESS, L"\uC8FC\uC18C:"},
        {IDS_LABEL_FILE, L"\uD30C\uC77C:"},
        {IDS_BYTES, L" bytes"},
        {IDS_TIP_DELETE, L"SWF \uD30C\uC77C \uC0AD\uC81C (\uC0AD\uC81C \uC2DC<BR>IE \uCE90\uC2DC\uC5D0\uC11C\uB3C4 "
                         L"\uC0AD\uC81C\uB428)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        wchar_t buffer[512] = L"";
        ::LoadStringW(::GetModuleHandleW(nullptr), c.id, buffer, 512);
        EXPECT_EQ(std::wstring(c.text), std::wstring(buffer));
        // The ANSI program gets the same text in the system code page.
        std::wstring back(512, L'\0');
        std::string ansi = LoadResString(c.id);
        int n = ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), static_cast<int>(ansi.size()), &back[0], 512);
        back.resize(static_cast<size_t>(n));
        EXPECT_EQ(std::wstring(c.text), back);
    }
    for (UINT id = IDS_TIP_SOURCE; id <= IDS_TIP_OPEN_SAVE_FOLDER; ++id) EXPECT_FALSE(LoadResString(id).empty()) << id;
}

TEST_F(MainWindowTest, CombosHoldTheirItemsWithIdentifiersAsData) {
    auto dlg = Open();
    HWND wnd = dlg->Handle();
    const std::vector<std::string> sources = ComboTexts(wnd, IDC_SOURCE_COMBO);
    // The first three names' identifiers double as the stored values.
    const UINT sourceIds[] = {IDS_SOURCE_IE, IDS_SOURCE_FIREFOX, IDS_SOURCE_FOLDER, IDS_SOURCE_ARCHIVE};
    const int sourceValues[] = {IeCache, FirefoxCache, ChosenFolder, CacheArchive};
    ASSERT_EQ(4u, sources.size());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(LoadResString(sourceIds[i]), sources[static_cast<size_t>(i)]);
        EXPECT_EQ(static_cast<LPARAM>(sourceValues[i]), dlg->SourceCombo().GetItemData(i));
    }
    const UINT dateIds[] = {DateAll, DateToday, DateYesterday, DateThisMonth, DateExact, DateRange};
    const std::vector<std::string> dates = ComboTexts(wnd, IDC_DATE_COMBO);
    ASSERT_EQ(6u, dates.size());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(LoadResString(dateIds[i]), dates[static_cast<size_t>(i)]);
        EXPECT_EQ(static_cast<LPARAM>(dateIds[i]), dlg->DateCombo().GetItemData(i));
    }
    const std::vector<std::string> sites = ComboTexts(wnd, IDC_SITE_COMBO);
    ASSERT_EQ(2u, sites.size());
    EXPECT_NE(CB_ERR, dlg->SiteCombo().FindStringExact(-1, LoadResString(IDS_ALL_SITES)));
    EXPECT_NE(CB_ERR, dlg->SiteCombo().FindStringExact(-1, LoadResString(IDS_UNCLASSIFIED)));
    EXPECT_EQ(LoadResString(IDS_ALL_SITES), ComboSelection(wnd, IDC_SITE_COMBO));
    EXPECT_EQ(LoadResString(IDS_DATE_ALL), ComboSelection(wnd, IDC_DATE_COMBO));
    EXPECT_EQ(LoadResString(IDS_SOURCE_IE), ComboSelection(wnd, IDC_SOURCE_COMBO));

    // The list's only column spans the list less 21 pixels.
    RECT list;
    ::GetWindowRect(dlg->List().Handle(), &list);
    EXPECT_EQ(list.right - list.left - 21, ListView_GetColumnWidth(dlg->List().Handle(), 0));
    HIMAGELIST images = ListView_GetImageList(dlg->List().Handle(), LVSIL_SMALL);
    ASSERT_NE(nullptr, images);
    EXPECT_EQ(2, ImageList_GetImageCount(images));
}

TEST_F(MainWindowTest, EmptyListButtonStatesForEachSource) {
    auto dlg = Open();
    HWND wnd = dlg->Handle();
    struct Case {
        int index;
        int source;
        bool ie;
        bool sites;
    } cases[] = {{0, IeCache, true, true},
                 {1, FirefoxCache, false, true},
                 {2, ChosenFolder, false, false},
                 {3, CacheArchive, true, true},
                 {0, IeCache, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        test::SelectComboItem(wnd, IDC_SOURCE_COMBO, c.index);
        EXPECT_EQ(c.source, dlg->loadedSources.back());
        EXPECT_EQ(c.source, static_cast<int>(*GetNumber(kProgramKey, "source")));
        EXPECT_EQ(0, dlg->List().GetItemCount());
        Buttons b = ButtonStates(*dlg);
        EXPECT_FALSE(b.del || b.preview || b.save || b.saveAs || b.saveAll);
        EXPECT_EQ(c.sites, Enabled(*dlg, IDC_SITE_COMBO));
        EXPECT_EQ(c.ie, Visible(*dlg, IDC_LABEL_MODIFIED));
        EXPECT_EQ(c.ie, Visible(*dlg, IDC_MODIFIED));
        const bool folder = c.source == ChosenFolder || c.source == CacheArchive;
        EXPECT_EQ(folder, Enabled(*dlg, IDC_CHOOSE_FOLDER));
        EXPECT_EQ(folder, Enabled(*dlg, IDC_VIEW_FOLDER));
        EXPECT_FALSE(Enabled(*dlg, IDC_CHOOSE_DATE));
        EXPECT_TRUE(Enabled(*dlg, IDC_REFRESH));
        EXPECT_EQ(LoadResString(c.ie ? IDS_LABEL_ADDRESS : IDS_LABEL_FILE), ItemText(wnd, IDC_LABEL_URL));
        EXPECT_EQ(LoadResString(c.ie ? IDS_LABEL_CREATED : IDS_LABEL_SIZE), ItemText(wnd, IDC_LABEL_CREATED));
        EXPECT_EQ(LoadResString(c.ie ? IDS_LABEL_SIZE : IDS_LABEL_MODIFIED), ItemText(wnd, IDC_LABEL_SIZE));
    }
}

TEST_F(MainWindowTest, SplashIsUpDuringTheFirstLoadAndGoneBeforeTheWindowShows) {
    auto dlg = Open();
    EXPECT_EQ(1u, dlg->loadedSources.size());
    EXPECT_TRUE(dlg->splashUpDuringFirstLoad);
    EXPECT_FALSE(dlg->mainVisibleDuringFirstLoad);
    // No dialog of this thread but the main window is left.
    struct Count {
        HWND main;
        int others = 0;
        static BOOL CALLBACK Visit(HWND wnd, LPARAM data) {
            auto* self = reinterpret_cast<Count*>(data);
            char cls[16] = "";
            ::GetClassNameA(wnd, cls, sizeof(cls));
            if (wnd != self->main && std::string(cls) == "#32770") ++self->others;
            return TRUE;
        }
    } count{dlg->Handle()};
    ::EnumThreadWindows(::GetCurrentThreadId(), &Count::Visit, reinterpret_cast<LPARAM>(&count));
    EXPECT_EQ(0, count.others);
}

// --- filling the list --------------------------------------------------------

TEST_F(MainWindowTest, SiteComboAndListFollowTheEntries) {
    const std::string allSites = LoadResString(IDS_ALL_SITES);
    const std::string unclassified = LoadResString(IDS_UNCLASSIFIED);
    auto dlg = Open({Movie(2, "beta", "b.org"), Movie(3, "alpha", "a.com"), Movie(4, "gamma", "A.com"),
                     Movie(5, "delta", "b.org"), Movie(6, "loose", "", true), Movie(7, "nosite", "")});
    HWND wnd = dlg->Handle();
    // Sites are added once, without regard to case.
    EXPECT_EQ(4u, ComboTexts(wnd, IDC_SITE_COMBO).size());
    EXPECT_EQ(allSites, ComboSelection(wnd, IDC_SITE_COMBO));
    EXPECT_EQ((std::vector<std::string>{"alpha", "beta", "delta", "gamma", "loose", "nosite"}),
              ListTexts(dlg->List().Handle()));
    EXPECT_EQ(std::vector<int>{3}, SelectedRowIds(*dlg));
    Buttons b = ButtonStates(*dlg);
    EXPECT_TRUE(b.del && b.preview && b.save && b.saveAs && b.saveAll);

    struct Case {
        std::string site;
        std::vector<std::string> rows;
    } cases[] = {
        {"b.org", {"beta", "delta"}},
        {unclassified, {"loose"}},
        {"a.com", {"alpha"}},
        {allSites, {"alpha", "beta", "delta", "gamma", "loose", "nosite"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.site);
        int index = dlg->SiteCombo().FindStringExact(-1, c.site);
        ASSERT_NE(CB_ERR, index);
        test::SelectComboItem(wnd, IDC_SITE_COMBO, index);
        EXPECT_EQ(c.rows, ListTexts(dlg->List().Handle()));
        EXPECT_EQ(c.site, dlg->SiteFilter());
        EXPECT_EQ(c.site, *GetText(kProgramKey, "siteFilter"));
        EXPECT_EQ(1u, SelectedRowIds(*dlg).size());
    }
}

TEST_F(MainWindowTest, TwoSelectedRowsDisablePreviewOnly) {
    auto dlg = Open({Movie(2, "a", "x.com"), Movie(3, "b", "x.com"), Movie(4, "c", "x.com")});
    dlg->List().SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    Buttons b = ButtonStates(*dlg);
    EXPECT_FALSE(b.preview);
    EXPECT_TRUE(b.del && b.save && b.saveAs && b.saveAll);
    dlg->List().SetItemState(-1, 0, LVIS_SELECTED);
    b = ButtonStates(*dlg);
    EXPECT_FALSE(b.del || b.preview || b.save || b.saveAs);
    EXPECT_TRUE(b.saveAll);
}

TEST_F(MainWindowTest, FirefoxFiltersBySiteTooAndSwitchingBackReselectsTheFilter) {
    auto dlg = Open({Movie(2, "one", "x.com"), Movie(3, "two", "y.com")});
    HWND wnd = dlg->Handle();
    test::SelectComboItem(wnd, IDC_SITE_COMBO, dlg->SiteCombo().FindStringExact(-1, "y.com"));
    EXPECT_EQ(std::vector<std::string>{"two"}, ListTexts(dlg->List().Handle()));

    // Firefox's entries name their addresses, so its list has sites too.
    dlg->nextEntries = {Movie(2, "ff2", "y.com"), Movie(3, "ff1", "", true)};
    test::SelectComboItem(wnd, IDC_SOURCE_COMBO, 1);
    EXPECT_TRUE(Enabled(*dlg, IDC_SITE_COMBO));
    EXPECT_EQ("y.com", ComboSelection(wnd, IDC_SITE_COMBO));
    EXPECT_EQ((std::vector<std::string>{"ff2"}), ListTexts(dlg->List().Handle()));

    dlg->nextEntries = {Movie(2, "one", "x.com"), Movie(3, "two", "y.com"), Movie(4, "three", "y.com")};
    test::SelectComboItem(wnd, IDC_SOURCE_COMBO, 0);
    EXPECT_TRUE(Enabled(*dlg, IDC_SITE_COMBO));
    EXPECT_EQ("y.com", ComboSelection(wnd, IDC_SITE_COMBO));
    EXPECT_EQ((std::vector<std::string>{"three", "two"}), ListTexts(dlg->List().Handle()));
}

TEST_F(MainWindowTest, ChosenFolderKeepsLoaderOrderAndSelectsNothing) {
    SetNumber(kProgramKey, "source", ChosenFolder);
    auto dlg = Open({Folder(2, ".."), Folder(3, "zeta"), Movie(4, "b", "", true), Movie(5, "a", "", true)});
    HWND wnd = dlg->Handle();
    EXPECT_EQ(LoadResString(IDS_SOURCE_FOLDER), ComboSelection(wnd, IDC_SOURCE_COMBO));
    EXPECT_EQ(ChosenFolder, dlg->loadedSources.front());
    EXPECT_EQ((std::vector<std::string>{"..", "zeta", "b", "a"}), ListTexts(dlg->List().Handle()));
    EXPECT_FALSE(dlg->List().Style() & LVS_SORTASCENDING);
    EXPECT_TRUE(SelectedRowIds(*dlg).empty());
    EXPECT_EQ(2, static_cast<int>(dlg->List().GetRowData(0)));
    EXPECT_EQ(5, static_cast<int>(dlg->List().GetRowData(3)));
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = 1;
    ListView_GetItem(dlg->List().Handle(), &item);
    EXPECT_EQ(0, item.iImage);
    item.iItem = 2;
    ListView_GetItem(dlg->List().Handle(), &item);
    EXPECT_EQ(1, item.iImage);
    Buttons b = ButtonStates(*dlg);
    EXPECT_FALSE(b.del || b.preview);
    EXPECT_TRUE(b.saveAll);

    // Folder rows stay whatever the date mode; movies are filtered.
    test::SelectComboItem(wnd, IDC_DATE_COMBO, 1);
    EXPECT_EQ((std::vector<std::string>{"..", "zeta"}), ListTexts(dlg->List().Handle()));

    // Back to a sorted source puts the sort style back.
    test::SelectComboItem(wnd, IDC_SOURCE_COMBO, 1);
    EXPECT_TRUE(dlg->List().Style() & LVS_SORTASCENDING);
}

TEST_F(MainWindowTest, DateModeFiltersAtOnceAndEnablesTheChooseButton) {
    const Clock& clock = SystemClock();
    const std::int64_t now = clock.Now();
    auto dlg = Open({Movie(2, "today", "", true, now), Movie(3, "old", "", true, now - 40 * 86400)});
    HWND wnd = dlg->Handle();
    struct Case {
        int index;
        std::vector<std::string> rows;
        bool chooseDate;
    } cases[] = {
        {1, {"today"}, false},           // today
        {4, {"today"}, true},            // one day: the stored date, today on a clean profile
        {5, {"today"}, true},            // range: start and end are now
        {0, {"old", "today"}, false},    // all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        test::SelectComboItem(wnd, IDC_DATE_COMBO, c.index);
        EXPECT_EQ(c.rows, ListTexts(dlg->List().Handle()));
        EXPECT_EQ(c.chooseDate, Enabled(*dlg, IDC_CHOOSE_DATE));
        EXPECT_EQ(ComboSelection(wnd, IDC_DATE_COMBO), *GetText(kProgramKey, "dateFilter"));
    }
}

TEST_F(MainWindowTest, ChooseDateOpensTheDialogOfTheModeAndAppliesItsDates) {
    const Clock& clock = SystemClock();
    const std::int64_t day = *clock.FromLocal(LocalTime{2021, 6, 15, 0, 0, 0});
    auto dlg = Open({Movie(2, "june", "", true, day + 7200), Movie(3, "july", "", true, day + 30 * 86400)});
    HWND wnd = dlg->Handle();
    const auto pick = [](int id, int y, int m, int d, int button) {
        return [=](DialogBase& dialog) {
            test::PickCalendarDay(dialog.Handle(), id, y, m, d);
            if (button) test::Click(dialog.Handle(), button);
        };
    };

    // "All" mode: the button opens nothing.
    test::Click(wnd, IDC_CHOOSE_DATE);
    EXPECT_EQ(0, dlg->dateDialogs);

    test::SelectComboItem(wnd, IDC_DATE_COMBO, 4);  // one day
    dlg->dateDialogAnswer = pick(IDC_EXACT_CALENDAR, 2021, 6, 15, IDCANCEL);
    const std::int64_t before = dlg->Dates().exactDate;
    test::Click(wnd, IDC_CHOOSE_DATE);
    EXPECT_EQ(1, dlg->dateDialogs);
    EXPECT_EQ(before, dlg->Dates().exactDate);
    EXPECT_FALSE(GetRaw(kProgramKey, "exactDate").has_value());

    dlg->dateDialogAnswer = pick(IDC_EXACT_CALENDAR, 2021, 6, 15, IDOK);
    test::Click(wnd, IDC_CHOOSE_DATE);
    EXPECT_EQ(day, dlg->Dates().exactDate);
    EXPECT_EQ((std::vector<BYTE>{0, 0, 0, 0, 0, 0, 0xE5, 0x07, 6, 0, 15, 0}), *GetRaw(kProgramKey, "exactDate"));
    EXPECT_EQ(std::vector<std::string>{"june"}, ListTexts(dlg->List().Handle()));

    test::SelectComboItem(wnd, IDC_DATE_COMBO, 5);  // range
    dlg->dateDialogAnswer = [&](DialogBase& dialog) {
        pick(IDC_RANGE_FIRST, 2021, 7, 1, 0)(dialog);
        pick(IDC_RANGE_LAST, 2021, 7, 31, IDOK)(dialog);
    };
    test::Click(wnd, IDC_CHOOSE_DATE);
    EXPECT_EQ(*clock.FromLocal(LocalTime{2021, 7, 1, 0, 0, 0}), dlg->Dates().startDate);
    EXPECT_EQ(*clock.FromLocal(LocalTime{2021, 7, 31, 0, 0, 0}), dlg->Dates().endDate);
    EXPECT_TRUE(GetRaw(kProgramKey, "startDate").has_value());
    EXPECT_TRUE(GetRaw(kProgramKey, "endDate").has_value());
    EXPECT_EQ(std::vector<std::string>{"july"}, ListTexts(dlg->List().Handle()));
}

TEST_F(MainWindowTest, ChooseFolderStoresTheFolderAndReloadsEvenWhenCancelled) {
    SetNumber(kProgramKey, "source", ChosenFolder);
    auto dlg = Open();
    HWND wnd = dlg->Handle();
    const std::string before = dlg->CurrViewFolder();
    test::Click(wnd, IDC_CHOOSE_FOLDER);
    EXPECT_EQ(1, dlg->browseCalls);
    // Owned by the main window, which cannot be used while it is open.
    EXPECT_EQ(wnd, dlg->browseOwner);
    EXPECT_EQ(LoadResString(IDS_CHOOSE_VIEW_FOLDER), dlg->browseTitle);
    EXPECT_EQ(2u, dlg->loadedSources.size());
    EXPECT_EQ(before, dlg->CurrViewFolder());
    EXPECT_FALSE(GetText(kProgramKey, "CurrViewFolder").has_value());

    dlg->browseResult = "C:\\movies";
    test::Click(wnd, IDC_CHOOSE_FOLDER);
    EXPECT_EQ(3u, dlg->loadedSources.size());
    EXPECT_EQ("C:\\movies", dlg->CurrViewFolder());
    EXPECT_EQ(std::string("C:\\movies"), GetText(kProgramKey, "CurrViewFolder"));
    EXPECT_EQ("C:\\movies", ItemText(wnd, IDC_VIEW_FOLDER));
}

// --- settings at start ---------------------------------------------------------

TEST_F(MainWindowTest, CleanProfileStartsWithDefaultsAndWritesOnlyTheSource) {
    auto dlg = Open();
    HWND wnd = dlg->Handle();
    EXPECT_EQ(IeCache, dlg->loadedSources.front());
    EXPECT_EQ(LoadResString(IDS_ALL_SITES), dlg->SiteFilter());
    EXPECT_EQ(LoadResString(IDS_DATE_ALL), ComboSelection(wnd, IDC_DATE_COMBO));
    char module[MAX_PATH];
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(std::string(module, 3), dlg->CurrViewFolder());
    EXPECT_EQ(dlg->CurrViewFolder(), ItemText(wnd, IDC_VIEW_FOLDER));
    EXPECT_EQ("C:", GetSaveFolder());
    EXPECT_EQ(1u, ValueCount(kProgramKey));
    EXPECT_EQ(static_cast<DWORD>(IeCache), GetNumber(kProgramKey, "source"));
    const std::int64_t now = SystemClock().Now();
    EXPECT_LE(std::abs(now - dlg->Dates().exactDate), 5);
    EXPECT_EQ(dlg->Dates().exactDate, dlg->Dates().startDate);
}

TEST_F(MainWindowTest, SavedFiltersAreRestoredOnlyWhenTheirSwitchesAreOn) {
    const SwfEntryList entries = {Movie(2, "m1", "example.com"), Movie(3, "m2", "other.net")};
    SetText(kProgramKey, "siteFilter", "example.com");
    SetText(kProgramKey, "dateFilter", LoadResString(IDS_DATE_TODAY));
    {
        auto dlg = Open(entries);
        EXPECT_EQ(LoadResString(IDS_ALL_SITES), ComboSelection(dlg->Handle(), IDC_SITE_COMBO));
        EXPECT_EQ(LoadResString(IDS_DATE_ALL), ComboSelection(dlg->Handle(), IDC_DATE_COMBO));
    }
    SetNumber(kProgramKey, "bSaveSiteFilter", 1);
    SetNumber(kProgramKey, "bSaveDateFilter", 1);
    {
        auto dlg = Open(entries);
        EXPECT_EQ("example.com", ComboSelection(dlg->Handle(), IDC_SITE_COMBO));
        EXPECT_EQ(LoadResString(IDS_DATE_TODAY), ComboSelection(dlg->Handle(), IDC_DATE_COMBO));
        EXPECT_EQ(std::vector<std::string>{}, ListTexts(dlg->List().Handle()));  // epoch entries fail "today"
    }
    // An empty saved site means all sites; a date text nothing begins with
    // leaves the date combo without a selection and the list unfiltered.
    SetText(kProgramKey, "siteFilter", "");
    SetText(kProgramKey, "dateFilter", "nothing like it");
    {
        auto dlg = Open(entries);
        EXPECT_EQ(LoadResString(IDS_ALL_SITES), dlg->SiteFilter());
        EXPECT_EQ("<none>", ComboSelection(dlg->Handle(), IDC_DATE_COMBO));
        EXPECT_EQ(2, dlg->List().GetItemCount());
        EXPECT_FALSE(Enabled(*dlg, IDC_CHOOSE_DATE));
    }
    // A saved site that matches no item keeps its text but lists all sites.
    SetText(kProgramKey, "siteFilter", "gone.org");
    {
        auto dlg = Open(entries);
        EXPECT_EQ("gone.org", dlg->SiteFilter());
        EXPECT_EQ(LoadResString(IDS_ALL_SITES), ComboSelection(dlg->Handle(), IDC_SITE_COMBO));
        EXPECT_EQ(2, dlg->List().GetItemCount());
    }
}

TEST_F(MainWindowTest, SavedSourceAndFolderAreRestored) {
    struct Case {
        DWORD source;
        UINT text;
        int loaded;
    } cases[] = {{134, IDS_SOURCE_FIREFOX, FirefoxCache},
                 {136, IDS_SOURCE_FOLDER, ChosenFolder},
                 {135, IDS_SOURCE_IE, IeCache},
                 {999, IDS_SOURCE_IE, IeCache}};
    SetText(kProgramKey, "CurrViewFolder", "D:\\flash");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        SetNumber(kProgramKey, "source", c.source);
        auto dlg = Open();
        EXPECT_EQ(LoadResString(c.text), ComboSelection(dlg->Handle(), IDC_SOURCE_COMBO));
        EXPECT_EQ(c.loaded, dlg->loadedSources.front());
        EXPECT_EQ(static_cast<DWORD>(c.loaded), GetNumber(kProgramKey, "source"));
        EXPECT_EQ("D:\\flash", dlg->CurrViewFolder());
    }
}

TEST_F(MainWindowTest, StoredDatesAreReadIntoTheFilter) {
    const Clock& clock = SystemClock();
    const std::int64_t day = *clock.FromLocal(LocalTime{2020, 7, 4, 0, 0, 0});
    WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, "exactDate", day, clock);
    WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, "startDate", day - 86400, clock);
    WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, "endDate", day + 86400, clock);
    SetNumber(kProgramKey, "bSaveDateFilter", 1);
    SetText(kProgramKey, "dateFilter", LoadResString(IDS_DATE_EXACT));
    auto dlg = Open({Movie(2, "that day", "", true, day + 3600), Movie(3, "later", "", true, day + 2 * 86400)});
    EXPECT_EQ(day, dlg->Dates().exactDate);
    EXPECT_EQ(day - 86400, dlg->Dates().startDate);
    EXPECT_EQ(day + 86400, dlg->Dates().endDate);
    EXPECT_EQ(std::vector<std::string>{"that day"}, ListTexts(dlg->List().Handle()));
    EXPECT_TRUE(Enabled(*dlg, IDC_CHOOSE_DATE));
}

TEST_F(MainWindowTest, WrongTypeAndOversizedValuesFallBackToDefaults) {
    SetRaw(kProgramKey, "source", REG_SZ, {'1', '3', '6', 0});
    SetRaw(kProgramKey, "bSaveSiteFilter", REG_SZ, {'1', 0});
    SetRaw(kProgramKey, "bSaveDateFilter", REG_BINARY, {1, 0, 0, 0});
    SetText(kProgramKey, "CurrViewFolder", std::string(1500, 'x'));
    SetRaw(kProgramKey, "exactDate", REG_SZ, {'x', 0});
    SetRaw(kProgramKey, "startDate", REG_BINARY, std::vector<BYTE>(20, 7));
    auto dlg = Open({Movie(2, "m", "s.com")});
    EXPECT_EQ(IeCache, dlg->loadedSources.front());
    EXPECT_EQ(LoadResString(IDS_ALL_SITES), dlg->SiteFilter());
    char module[MAX_PATH];
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(std::string(module, 3), dlg->CurrViewFolder());
    EXPECT_LE(std::abs(SystemClock().Now() - dlg->Dates().exactDate), 5);
    EXPECT_EQ(dlg->Dates().exactDate, dlg->Dates().startDate);
    EXPECT_EQ(static_cast<DWORD>(IeCache), GetNumber(kProgramKey, "source"));
}

TEST_F(MainWindowTest, KeyThatCannotBeCreatedStillStartsWithDefaults) {
    // A volatile parent refuses a non-volatile child key.
    BlockProgramKey();
    CFlickholdApp::EnsureSettingsKey();
    EXPECT_FALSE(KeyExists(kProgramKey));
    auto dlg = Open({Movie(2, "m", "s.com")});
    EXPECT_EQ(IeCache, dlg->loadedSources.front());
    EXPECT_EQ(1, dlg->List().GetItemCount());
    EXPECT_FALSE(KeyExists(kProgramKey));
}

// --- the command line ------------------------------------------------------------

TEST_F(MainWindowTest, CommandLineSiteForcesTheCacheAndSelectsTheFirstMatchingHost) {
    SetNumber(kProgramKey, "source", FirefoxCache);
    const SwfEntryList entries = {Movie(2, "a", "games.example.com"), Movie(3, "b", "games.example.org"),
                                  Movie(4, "c", "other.net")};
    {
        auto dlg = Open(entries, "GAMES.example");
        EXPECT_EQ(IeCache, dlg->loadedSources.front());
        EXPECT_EQ("games.example.com", ComboSelection(dlg->Handle(), IDC_SITE_COMBO));
        EXPECT_EQ(std::vector<std::string>{"a"}, ListTexts(dlg->List().Handle()));
        EXPECT_EQ("GAMES.example", dlg->SiteFilter());
    }
    {
        SetNumber(kProgramKey, "bSaveSiteFilter", 1);
        SetText(kProgramKey, "siteFilter", "other.net");
        auto dlg = Open(entries, "all");
        EXPECT_EQ(LoadResString(IDS_ALL_SITES), ComboSelection(dlg->Handle(), IDC_SITE_COMBO));
        EXPECT_EQ(3, dlg->List().GetItemCount());
    }
}

TEST(StartUp, CommandLineReachesTheApplicationObject) {
    struct Case {
        std::vector<const char*> args;
        std::string site;
    } cases[] = {
        {{"Flickhold.exe", "/site:host.com"}, "host.com"},
        {{"Flickhold.exe", "-SITE:Host.com"}, "Host.com"},
        {{"Flickhold.exe", "/site:a", "/site:bb"}, "bb"},
        {{"Flickhold.exe", "site:host.com"}, ""},
        {{"Flickhold.exe", "/site:all"}, "all"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.site);
        CFlickholdApp app;
        app.ReadCommandLine(static_cast<int>(c.args.size()), c.args.data());
        EXPECT_EQ(c.site, app.m_strSite);
    }
}

// --- closing ---------------------------------------------------------------------

TEST_F(MainWindowTest, ExitEndsWithOkAndSetsTheClosingFlagTheCloseBoxDoesNot) {
    struct Case {
        const char* label;
        UINT msg;
        WPARAM wParam;
        INT_PTR result;
        bool closing;
    } cases[] = {
        {"Exit button", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), IDOK, true},
        {"Esc", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), IDCANCEL, false},
        {"close box", WM_CLOSE, 0, IDCANCEL, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TestDlg dlg("", SystemClock());
        dlg.nextEntries = {Movie(2, "m", "s.com")};
        // Posted during the first load, so the modal loop delivers it.
        dlg.onFirstLoad = [&c](HWND wnd) { ::PostMessageA(wnd, c.msg, c.wParam, 0); };
        EXPECT_EQ(c.result, dlg.DoModal(nullptr));
        EXPECT_EQ(c.closing, dlg.IsClosing());
        EXPECT_EQ(nullptr, dlg.Handle());
    }
}

TEST_F(MainWindowTest, NothingReloadsOrRefiltersOnceClosing) {
    auto dlg = Open({Movie(2, "a", "x.com"), Movie(3, "b", "y.com")});
    HWND wnd = dlg->Handle();
    test::Click(wnd, IDOK);  // sets the flag; the modeless window only hides
    ASSERT_TRUE(dlg->IsClosing());
    test::Click(wnd, IDC_REFRESH);
    test::SelectComboItem(wnd, IDC_SOURCE_COMBO, 1);
    test::SelectComboItem(wnd, IDC_SITE_COMBO, dlg->SiteCombo().FindStringExact(-1, "x.com"));
    test::SelectComboItem(wnd, IDC_DATE_COMBO, 1);
    EXPECT_EQ(1u, dlg->loadedSources.size());
    EXPECT_EQ(2, dlg->List().GetItemCount());
    EXPECT_FALSE(GetText(kProgramKey, "siteFilter").has_value());
    EXPECT_FALSE(GetText(kProgramKey, "dateFilter").has_value());
}

}  // namespace
}  // namespace fh
