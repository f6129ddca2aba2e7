#pragma once
// The main window for tests: its loader replaced by a list the test
// prepares, its folder browser, date dialogs and file-action shell answered
// by the test.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "actions/file_actions.h"
#include "ui/flickhold_dlg.h"

namespace fh::test {

// Records what the file actions ask of the user and the shell, and answers.
struct FakeShell : ActionShell {
    std::vector<std::string> saveAnswers;  // chosen paths in turn; "" cancels
    std::vector<std::string> savePresets;  // the names the dialogs offered
    std::vector<std::string> messages;
    std::vector<UINT> messageFlags;
    int messageAnswer = IDOK;
    std::vector<std::string> opened;
    std::string browseAnswer;
    std::vector<std::string> browseInitial;
    std::vector<HWND> owners;

    bool AskSavePath(HWND owner, const std::string&, const std::string& name, std::string& chosen) override {
        owners.push_back(owner);
        savePresets.push_back(name);
        if (saveAnswers.empty() || saveAnswers.front().empty()) {
            if (!saveAnswers.empty()) saveAnswers.erase(saveAnswers.begin());
            return false;
        }
        chosen = saveAnswers.front();
        saveAnswers.erase(saveAnswers.begin());
        return true;
    }
    int Message(HWND owner, const std::string& text, UINT flags) override {
        owners.push_back(owner);
        messages.push_back(text);
        messageFlags.push_back(flags);
        return messageAnswer;
    }
    void Open(const std::string& path) override { opened.push_back(path); }
    std::string BrowseFolder(HWND owner, const std::string&, const std::string& initialFolder) override {
        owners.push_back(owner);
        browseInitial.push_back(initialFolder);
        return browseAnswer;
    }
    std::string exportAnswer;  // "" cancels
    bool AskExportPath(HWND owner, const std::string&, std::string& chosen) override {
        owners.push_back(owner);
        chosen = exportAnswer;
        return !exportAnswer.empty();
    }
};

class TestDlg : public CFlickholdDlg {
public:
    using CFlickholdDlg::CFlickholdDlg;

    SwfEntryList nextEntries;
    std::vector<int> loadedSources;
    bool splashUpDuringFirstLoad = false;
    bool mainVisibleDuringFirstLoad = true;
    std::string browseResult;
    int browseCalls = 0;
    HWND browseOwner = nullptr;
    std::string browseTitle;
    std::function<void(HWND)> onFirstLoad;
    // Answers a date dialog: it is created modeless, handed to the test, and
    // its result returned as the modal run's.
    std::function<void(DialogBase&)> dateDialogAnswer;
    int dateDialogs = 0;
    FakeShell shell;

protected:
    void LoadEntries(int source, SwfEntryList& entries) override {
        if (loadedSources.empty()) {
            HWND splash = SplashWindow();
            splashUpDuringFirstLoad = splash && ::IsWindow(splash) && ::IsWindowVisible(splash);
            mainVisibleDuringFirstLoad = ::IsWindowVisible(Handle()) != FALSE;
            if (onFirstLoad) onFirstLoad(Handle());
        }
        loadedSources.push_back(source);
        entries = nextEntries;
    }
    INT_PTR RunDateDialog(DialogBase& dialog) override {
        ++dateDialogs;
        if (!dialog.Create(Handle())) return -1;
        if (dateDialogAnswer) dateDialogAnswer(dialog);
        INT_PTR result = dialog.IsEnded() ? dialog.Result() : IDCANCEL;
        dialog.Destroy();
        return result;
    }
    std::string BrowseViewFolder(HWND owner, const std::string& title) override {
        ++browseCalls;
        browseOwner = owner;
        browseTitle = title;
        return browseResult;
    }
    ActionShell& Shell() override { return shell; }

public:
    // The context menu's items as shown (text, enabled), those checked, and where.
    std::vector<std::pair<std::string, bool>> menuItems;
    std::vector<std::string> menuChecked;
    POINT menuAt{};

protected:
    void ShowListMenu(HMENU menu, POINT screen) override {
        menuItems.clear();
        menuChecked.clear();
        menuAt = screen;
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            char text[256] = "";
            ::GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
            menuItems.emplace_back(text, !(state & (MF_GRAYED | MF_DISABLED)));
            if (state & MF_CHECKED) menuChecked.push_back(text);
        }
    }
};

// Selects exactly these rows, as clicks would (the list notifies the window).
inline void SelectRows(const CFlickholdDlg& dlg, const std::vector<int>& rows) {
    dlg.List().SetItemState(-1, 0, LVIS_SELECTED);
    for (int row : rows) dlg.List().SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

}  // namespace fh::test
