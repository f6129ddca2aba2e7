#include "discovery/shell_helpers.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>

namespace fh {

namespace {

int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM lParam, LPARAM data) {
    const char* initial = reinterpret_cast<const char*>(data);
    if (!initial || !*initial) return 0;
    char folder[MAX_PATH];
    lstrcpynA(folder, initial, MAX_PATH);
    if (msg == BFFM_INITIALIZED) {
        ::SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder));
    } else if (msg == BFFM_SELCHANGED) {
        char selected[MAX_PATH] = "";
        if (::SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), selected))
            ::SendMessageA(wnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(selected));
    }
    return 0;
}

}  // namespace

std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& initialFolder) {
    IMalloc* allocator = nullptr;
    if (FAILED(::SHGetMalloc(&allocator)) || !allocator) return std::string();
    char displayName[MAX_PATH] = "";
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
    std::string result;
    PIDLIST_ABSOLUTE item = ::SHBrowseForFolderA(&info);
    if (item) {
        char path[MAX_PATH] = "";
        if (::SHGetPathFromIDListA(item, path)) result = path;
        allocator->Free(item);
    }
    allocator->Release();
    return result;
}

std::string GetProgramDrive() {
    char path[MAX_PATH] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length > 3 && length < MAX_PATH) return std::string(path, 3);
    return "Unable to determine current drive letter!";
}

}  // namespace fh
