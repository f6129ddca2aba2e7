// The main window's keys, pressed through SendInput on the real window: the
// rows, files, clipboard and loads they cause, and nothing while the button
// they stand for is disabled.

#include <gtest/gtest.h>

#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <initializer_list>

#include "app/flickhold_app.h"
#include "settings/settings_store.h"
#include "settings/value_names.h"
#include "support/dialog_driver.h"
#include "support/registry_fixture.h"
#include "support/temp_folder.h"
#include "support/test_dlg.h"
#include "win/platform.h"

namespace fh {
namespace {

using test::TestDlg;

class KeysTest : public test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CFlickholdApp::EnsureSettingsKey();
        SetSaveFolder(m_tmp.MakeFolder("saved"));
    }
    SwfEntry Movie(int id, const std::string& name) {
        SwfEntry e;
        e.id = id;
        e.name = name;
        e.path = m_tmp.WriteFile(name + ".swf", test::SwfBytes('F'));
        e.url = "http://games.example.com/" + name + ".swf";
        e.site = "games.example.com";
        return e;
    }
    std::unique_ptr<TestDlg> Open(const SwfEntryList& entries) {
        auto dlg = std::make_unique<TestDlg>("", SystemClock());
        dlg->nextEntries = entries;
        EXPECT_TRUE(dlg->Create(nullptr));
        ::ShowWindow(dlg->Handle(), SW_SHOW);
        ::SetForegroundWindow(dlg->Handle());
        ::SetFocus(dlg->List().Handle());
        Pump(*dlg);
        return dlg;
    }
    // Presses the keys together (modifiers first) and lets the window take them.
    void Press(TestDlg& dlg, std::initializer_list<WORD> keys) {
        std::vector<INPUT> inputs;
        for (WORD key : keys) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = key;
            inputs.push_back(in);
        }
        for (auto it = keys.end(); it != keys.begin();) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = *--it;
            in.ki.dwFlags = KEYEVENTF_KEYUP;
            inputs.push_back(in);
        }
        ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
        Pump(dlg);
    }
    static void Pump(TestDlg& dlg) {
        for (int round = 0; round < 10; ++round) {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (dlg.PreTranslateMessage(&msg)) continue;
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            ::Sleep(10);
        }
    }
    static int Selected(const TestDlg& dlg) {
        return static_cast<int>(::SendMessageA(dlg.List().Handle(), LVM_GETSELECTEDCOUNT, 0, 0));
    }
    static std::string Clipboard() {
        std::string text;
        if (!::OpenClipboard(nullptr)) return text;
        if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(::GlobalLock(data));
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
        return text;
    }
    test::TempFolder m_tmp;
};

TEST_F(KeysTest, ListKeysDoWhatTheirButtonsDo) {
    auto dlg = Open({Movie(2, "alpha"), Movie(3, "beta"), Movie(4, "gamma")});
    ASSERT_EQ(::GetFocus(), dlg->List().Handle()) << "the list has no keyboard focus";
    const std::string saved = GetSaveFolder();

    // Nothing selected: Delete and Ctrl+S are off, as their buttons are.
    test::SelectRows(*dlg, {});
    Press(*dlg, {VK_DELETE});
    Press(*dlg, {VK_CONTROL, 'S'});
    EXPECT_TRUE(dlg->shell.messages.empty());
    EXPECT_FALSE(test::PathExists(saved + "\\alpha.swf"));

    Press(*dlg, {VK_CONTROL, 'A'});
    EXPECT_EQ(3, Selected(*dlg));
    Press(*dlg, {VK_CONTROL, 'C'});
    EXPECT_EQ("http://games.example.com/alpha.swf\r\nhttp://games.example.com/beta.swf\r\n"
              "http://games.example.com/gamma.swf",
              Clipboard());
    Press(*dlg, {VK_CONTROL, 'S'});
    EXPECT_TRUE(test::PathExists(saved + "\\gamma.swf"));
    Press(*dlg, {VK_CONTROL, VK_SHIFT, 'S'});
    EXPECT_TRUE(test::PathExists(saved + "\\gamma01.swf"));

    test::SelectRows(*dlg, {1});
    Press(*dlg, {VK_RETURN});
    ASSERT_EQ(1u, dlg->shell.opened.size());
    EXPECT_EQ(dlg->Entries()[1].path, dlg->shell.opened[0]);

    dlg->shell.messageAnswer = IDYES;
    const std::string doomed = dlg->Entries()[1].path;
    Press(*dlg, {VK_DELETE});
    EXPECT_FALSE(test::PathExists(doomed));
    EXPECT_EQ(2, static_cast<int>(test::ListTexts(dlg->List().Handle()).size()));

    // F5 reloads from anywhere in the window.
    const std::size_t loads = dlg->loadedSources.size();
    ::SetFocus(::GetDlgItem(dlg->Handle(), IDC_SOURCE_COMBO));
    Press(*dlg, {VK_F5});
    EXPECT_EQ(loads + 1, dlg->loadedSources.size());
}

TEST_F(KeysTest, EnterOpensFolderRowsAndBackspaceGoesUp) {
    SetNumber(kProgramKey, "source", ChosenFolder);
    const std::string top = m_tmp.MakeFolder("top");
    m_tmp.MakeFolder("top\\inner");
    WriteProgramText(kValueCurrViewFolder, top);
    SwfEntry up, inner;
    up.id = 2;
    up.name = up.path = "..";
    up.isFolder = true;
    inner.id = 3;
    inner.name = "inner";
    inner.path = top + "\\inner";
    inner.isFolder = true;
    auto dlg = Open({up, inner});
    ASSERT_EQ(top, dlg->CurrViewFolder());
    test::SelectRows(*dlg, {1});
    ::SetFocus(dlg->List().Handle());
    Press(*dlg, {VK_RETURN});
    EXPECT_EQ(top + "\\inner", dlg->CurrViewFolder());
    Press(*dlg, {VK_BACK});
    EXPECT_EQ(top, dlg->CurrViewFolder());
}

TEST_F(KeysTest, TheWindowReturnsWhereItWasWhenThatIsOnAMonitor) {
    {
        auto dlg = Open({});
        ::SetWindowPos(dlg->Handle(), nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        dlg->Destroy();
    }
    WINDOWPLACEMENT stored{};
    ASSERT_EQ(ERROR_SUCCESS,
              ReadSettingBinary(HKEY_CURRENT_USER, kProgramKey, kValueWindowPlacement, &stored, sizeof stored));
    auto again = Open({});
    RECT at{};
    ::GetWindowRect(again->Handle(), &at);
    EXPECT_EQ(stored.rcNormalPosition.left, at.left);
    EXPECT_EQ(stored.rcNormalPosition.top, at.top);
    again->Destroy();

    // Off every monitor: the system's place, not the stored one.
    stored.rcNormalPosition = RECT{30000, 30000, 30400, 30300};
    WriteSettingBinary(HKEY_CURRENT_USER, kProgramKey, kValueWindowPlacement, &stored, sizeof stored);
    auto lost = Open({});
    ::GetWindowRect(lost->Handle(), &at);
    EXPECT_LT(at.left, 10000);
    // A new resolution: the window takes the rectangle the system suggests.
    RECT suggested{120, 90, 120 + 900, 90 + 700};
    ::SendMessageA(lost->Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    ::GetWindowRect(lost->Handle(), &at);
    EXPECT_EQ(suggested.left, at.left);
    EXPECT_EQ(suggested.bottom, at.bottom);
    // A value of another size is no placement at all.
    WriteSettingBinary(HKEY_CURRENT_USER, kProgramKey, kValueWindowPlacement, "\x01\x02", 2);
    EXPECT_NE(ERROR_SUCCESS,
              ReadSettingBinary(HKEY_CURRENT_USER, kProgramKey, kValueWindowPlacement, &stored, sizeof stored));
}

// A drop target of the test's own: the files of the last drop.
class FileTarget : public IDropTarget {
public:
    std::vector<std::string> dropped;
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        if (data->GetData(&format, &medium) == S_OK) {
            auto drop = static_cast<HDROP>(medium.hGlobal);
            const UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < count; ++i) {
                char path[MAX_PATH] = "";
                ::DragQueryFileA(drop, i, path, MAX_PATH);
                dropped.push_back(path);
            }
            ::ReleaseStgMedium(&medium);
        }
        *effect = DROPEFFECT_COPY;
        return S_OK;
    }
};

TEST_F(KeysTest, DraggedMoviesArriveAsFilesAtADropTarget) {
    ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
    // A plain window (a static control would let the cursor's hit test through).
    WNDCLASSA cls{};
    cls.lpfnWndProc = ::DefWindowProcA;
    cls.hInstance = ::GetModuleHandleA(nullptr);
    cls.lpszClassName = "FlickholdTestDropTarget";
    ::RegisterClassA(&cls);
    HWND target = ::CreateWindowExA(WS_EX_TOPMOST, cls.lpszClassName, "drop here", WS_POPUP | WS_VISIBLE, 700, 500,
                                    200, 150, nullptr, nullptr, cls.hInstance, nullptr);
    FileTarget files;
    ASSERT_EQ(S_OK, ::RegisterDragDrop(target, &files));
    SwfEntry folder;
    folder.id = 9;
    folder.name = "inner";
    folder.path = m_tmp.MakeFolder("inner");
    folder.isFolder = true;
    auto dlg = Open({Movie(2, "alpha"), Movie(3, "beta"), folder});
    ::SetCursorPos(800, 575);
    auto drag = [&](const std::vector<int>& rows) {
        files.dropped.clear();
        test::SelectRows(*dlg, rows);
        NMLISTVIEW begin{};
        begin.hdr.hwndFrom = dlg->List().Handle();
        begin.hdr.idFrom = IDC_SWF_LIST;
        begin.hdr.code = LVN_BEGINDRAG;
        begin.iItem = rows.empty() ? -1 : rows[0];
        ::SendMessageA(dlg->Handle(), WM_NOTIFY, IDC_SWF_LIST, reinterpret_cast<LPARAM>(&begin));
    };
    drag({0, 1});
    std::vector<std::string> want = {dlg->Entries()[0].path, dlg->Entries()[1].path};
    std::sort(want.begin(), want.end());
    std::sort(files.dropped.begin(), files.dropped.end());
    EXPECT_EQ(want, files.dropped);
    // Folder rows do not leave the list.
    drag({2});
    EXPECT_TRUE(files.dropped.empty());
    ::RevokeDragDrop(target);
    ::DestroyWindow(target);
    ::OleUninitialize();
}

}  // namespace
}  // namespace fh
