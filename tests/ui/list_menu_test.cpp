// The list's context menu, driven with the messages the list and the menu send.

#include <gtest/gtest.h>

#include <memory>

#include "app/flickhold_app.h"
#include "settings/settings_store.h"
#include "support/csv_reader.h"
#include "support/dialog_driver.h"
#include "support/registry_fixture.h"
#include "support/temp_folder.h"
#include "support/test_dlg.h"
#include "win/platform.h"

namespace fh {
namespace {

std::string ClipboardText() {
    std::string text;
    if (!::OpenClipboard(nullptr)) return text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        const wchar_t* wide = static_cast<const wchar_t*>(::GlobalLock(data));
        char buffer[1024] = "";
        ::WideCharToMultiByte(CP_ACP, 0, wide, -1, buffer, sizeof buffer, nullptr, nullptr);
        ::GlobalUnlock(data);
        text = buffer;
    }
    ::CloseClipboard();
    return text;
}

class ListMenuTest : public test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CFlickholdApp::EnsureSettingsKey();
        const char* const urls[] = {"http://games.com/a/intro.swf", "http://\xB0\xD4\xC0\xD3.kr/x/racer.swf", ""};
        for (int i = 0; i < 3; ++i) {
            SwfEntry e;
            e.id = i + 1;
            e.name = std::string("movie") + static_cast<char>('a' + i);
            e.url = urls[i];
            e.path = tmp.WriteFile(e.name + ".swf", test::SwfBytes());
            entries.push_back(e);
        }
        dlg = std::make_unique<test::TestDlg>("", SystemClock());
        dlg->nextEntries = entries;
        ASSERT_TRUE(dlg->Create(nullptr));
    }
    void Command(int id) { ::SendMessageA(dlg->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void ContextMenu(int x, int y) {
        ::SendMessageA(dlg->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(dlg->List().Handle()), MAKELPARAM(x, y));
    }

    test::TempFolder tmp;
    SwfEntryList entries;
    std::unique_ptr<test::TestDlg> dlg;
};

TEST_F(ListMenuTest, TheMenuOffersWhatTheSelectionAllows) {
    test::SelectRows(*dlg, {});
    ContextMenu(300, 200);
    const std::vector<std::pair<std::string, bool>> none = {
        {LoadResString(IDS_MENU_COPY_ADDRESSES), false},
        {LoadResString(IDS_MENU_EXPORT_CSV), true},
        {LoadResString(IDS_MENU_SAVE_SELECTED_SITES), false},
        {LoadResString(IDS_MENU_SAVE_ALL_SITES), true},
        {"", false},  // the separator
        {LoadResString(IDS_MENU_SAVE_UNIQUE), true},
    };
    EXPECT_EQ(none, dlg->menuItems);
    EXPECT_EQ(300, dlg->menuAt.x);

    test::SelectRows(*dlg, {2});  // the movie without an address
    dlg->List().SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED);
    ContextMenu(-1, -1);  // the menu key
    EXPECT_FALSE(dlg->menuItems[0].second);
    EXPECT_TRUE(dlg->menuItems[2].second);
    RECT row{LVIR_LABEL, 0, 0, 0};
    ::SendMessageA(dlg->List().Handle(), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
    POINT below{row.left, row.bottom};
    ::ClientToScreen(dlg->List().Handle(), &below);
    EXPECT_EQ(below.y, dlg->menuAt.y);
}

TEST_F(ListMenuTest, CopyExportAndSaveInSiteFolders) {
    test::SelectRows(*dlg, {0, 1, 2});
    Command(ID_LIST_COPY_ADDRESSES);
    EXPECT_EQ("http://games.com/a/intro.swf\r\nhttp://\xB0\xD4\xC0\xD3.kr/x/racer.swf", ClipboardText());

    const std::string csv = tmp.Path() + "\\list.csv";
    Command(ID_LIST_EXPORT_CSV);  // cancelled: nothing written
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(csv.c_str()));
    dlg->shell.exportAnswer = csv;
    Command(ID_LIST_EXPORT_CSV);
    EXPECT_EQ(4u, test::ReadCsv(test::ReadFileAt(csv).substr(3)).size());

    const std::string save = tmp.Path() + "\\save";
    WriteSettingText(HKEY_CURRENT_USER, kProgramKey, "SavePath", save);
    test::SelectRows(*dlg, {1});
    Command(ID_LIST_SAVE_SELECTED_SITES);
    Command(ID_LIST_SAVE_ALL_SITES);
    for (const char* file : {"\\games.com\\a\\intro.swf", "\\\xB0\xD4\xC0\xD3.kr\\x\\racer.swf",
                             "\\\xB0\xD4\xC0\xD3.kr\\x\\racer01.swf"}) {
        SCOPED_TRACE(file);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((save + file).c_str()));
    }
    const std::string unclassified = save + "\\" + LoadResString(IDS_UNCLASSIFIED_FOLDER) + "\\moviec.swf";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(unclassified.c_str()));
    EXPECT_TRUE(dlg->shell.messages.empty());
}

TEST_F(ListMenuTest, WithTheOptionCheckedSaveAllWritesEachMovieOnce) {
    // The three rows hold the same bytes: one movie under three addresses.
    const std::string save = tmp.Path() + "\\save";
    WriteSettingText(HKEY_CURRENT_USER, kProgramKey, "SavePath", save);
    ContextMenu(300, 200);
    EXPECT_TRUE(dlg->menuChecked.empty());
    Command(ID_LIST_SAVE_UNIQUE);
    ContextMenu(300, 200);
    EXPECT_EQ(std::vector<std::string>{LoadResString(IDS_MENU_SAVE_UNIQUE)}, dlg->menuChecked);

    Command(ID_LIST_SAVE_ALL_SITES);
    test::Click(dlg->Handle(), IDC_SAVE_ALL);
    EXPECT_TRUE(test::PathExists(save + "\\games.com\\a\\intro.swf"));
    EXPECT_FALSE(test::PathExists(save + "\\\xB0\xD4\xC0\xD3.kr"));
    EXPECT_TRUE(test::PathExists(save + "\\moviea.swf"));
    EXPECT_FALSE(test::PathExists(save + "\\movieb.swf"));
    EXPECT_FALSE(test::PathExists(save + "\\moviec.swf"));

    // Unchecked, every row is saved again.
    Command(ID_LIST_SAVE_UNIQUE);
    ContextMenu(300, 200);
    EXPECT_TRUE(dlg->menuChecked.empty());
    test::Click(dlg->Handle(), IDC_SAVE_ALL);
    for (const char* file : {"\\moviea01.swf", "\\movieb.swf", "\\moviec.swf"})
        EXPECT_TRUE(test::PathExists(save + file)) << file;
    EXPECT_TRUE(dlg->shell.messages.empty());
}

}  // namespace
}  // namespace fh
