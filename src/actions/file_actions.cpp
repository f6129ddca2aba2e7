#include "actions/file_actions.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <wininet.h>

#include <vector>

#include "actions/site_folders.h"
#include "discovery/archive_source.h"
#include "discovery/shell_helpers.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "win/platform.h"

namespace fh {

namespace {

// The common save dialog with the name filled in; the chosen path, or false
// when cancelled. The file-name field holds at most 259 characters.
bool AskSaveFile(HWND owner, const char* initialFolder, const std::string& name, const char* filter,
                 const char* extension, DWORD flags, std::string& chosen) {
    char file[MAX_PATH] = "";
    lstrcpynA(file, name.c_str(), MAX_PATH);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = initialFolder;
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | flags;
    if (!::GetSaveFileNameA(&ofn)) return false;
    chosen = file;
    return true;
}

class WinShell : public ActionShell {
public:
    bool AskSavePath(HWND owner, const std::string& initialFolder, const std::string& name,
                     std::string& chosen) override {
        return AskSaveFile(owner, initialFolder.c_str(), name,
                           "Flash Movies (*.swf)\0*.swf\0All Files (*.*)\0*.*\0", "swf", 0, chosen);
    }
    int Message(HWND owner, const std::string& text, UINT flags) override {
        char caption[256] = "";
        if (owner) ::GetWindowTextA(owner, caption, sizeof(caption));
        return ::MessageBoxA(owner, text.c_str(), caption, flags);
    }
    void Open(const std::string& path) override {
        ::ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    std::string BrowseFolder(HWND owner, const std::string& title, const std::string& initialFolder) override {
        return BrowseForFolder(owner, title, initialFolder);
    }
    bool AskExportPath(HWND owner, const std::string& name, std::string& chosen) override {
        return AskSaveFile(owner, nullptr, name, "CSV (*.csv)\0*.csv\0All Files (*.*)\0*.*\0", "csv",
                           OFN_PATHMUSTEXIST, chosen);
    }
};

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

ActionShell& SystemShell() {
    static WinShell shell;
    return shell;
}

bool SaveEntry(const SwfEntry& entry, bool askName, const std::string& saveFolder, HWND owner, ActionShell& shell,
               FreeNameFinder& names, std::string* written) {
    if (written) written->clear();
    if (entry.isFolder) return true;
    ChosenName chosen;
    if (askName) {
        std::string path;
        if (!shell.AskSavePath(owner, saveFolder, SafeNamePart(entry.name, SystemCodePage()), path)) return false;
        chosen = SplitChosenPath(path, SystemCodePage());
    }
    const std::string base = chosen.name.empty() ? entry.name : chosen.name;
    const std::string folder = chosen.folder.empty() ? saveFolder : chosen.folder;
    const std::string target = SaveCopy(entry, folder, base, names);
    if (target.empty()) shell.Message(owner, LoadResString(IDS_SAVE_FAILED) + base, MB_OK | MB_ICONSTOP);
    if (written) *written = target;
    return true;
}

std::string CopyToFreeName(const std::string& source, const std::string& folder, const std::string& name,
                           FreeNameFinder& names) {
    // A cached "nul[1].swf" must not send the movie to a device.
    const std::string base = SafeNamePart(name, SystemCodePage());
    for (;;) {
        const int counter = names.Candidate(folder, base);
        const std::string target = SaveTarget(folder, base, counter);
        // Checking first and copying after would overwrite a file made in
        // between; the copy that refuses to overwrite is the check.
        if (::CopyFileA(source.c_str(), target.c_str(), TRUE)) {
            names.Taken(folder, base, counter);
            return target;
        }
        if (!Exists(target)) return std::string();
        names.Taken(folder, base, counter);
    }
}

std::string SaveCopy(const SwfEntry& entry, const std::string& folder, const std::string& name, FreeNameFinder& names) {
    const std::string source = MovieFileOf(entry);
    const std::string target = source.empty() ? std::string() : CopyToFreeName(source, folder, name, names);
    // A movie from a cache keeps the time the server gave it.
    if (!target.empty() && entry.cacheLastModified) SetModifiedTime(target, entry.cacheLastModified);
    return target;
}

void PreviewMovie(const std::string& path, ActionShell& shell) {
    if (path.size() < 4) return;
    if (EndsWithSwf(path, SystemCodePage())) {
        shell.Open(path);
        return;
    }
    char folder[MAX_PATH] = "";
    const DWORD length = ::GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return;
    const std::string copy = std::string(folder) + "flickhold_temp_file.swf";
    if (::CopyFileA(path.c_str(), copy.c_str(), FALSE)) shell.Open(copy);
}

std::vector<std::string> DeleteEntries(SwfEntryList& entries, const std::vector<std::int32_t>& ids) {
    std::vector<std::string> kept;
    for (std::int32_t id : ids) {
        const SwfEntry entry = FindEntryById(entries, id);
        // Movies of a copied cache are evidence: never deleted.
        if (entry.path.empty() || entry.isFolder || !entry.cacheKind.empty()) continue;
        if (!entry.url.empty()) ::DeleteUrlCacheEntryA(entry.url.c_str());
        ::DeleteFileA(entry.path.c_str());
        // The platform may have removed the file with the index entry; a
        // file still there (in use, read-only) keeps its row.
        if (Exists(entry.path)) kept.push_back(entry.name);
        else RemoveEntryById(entries, id);
    }
    return kept;
}

}  // namespace fh
