#include "discovery/shell_helpers.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>

#include "discovery/swf_names.h"
#include "settings/settings_store.h"
#include "win/handles.h"

namespace fh {

namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct ShellFolderValue {
    int csidl;
    HKEY root;
    const char* name;
};

const ShellFolderValue kShellFolderValues[] = {
    {CSIDL_PROGRAMS, HKEY_CURRENT_USER, "Programs"},
    {CSIDL_PERSONAL, HKEY_CURRENT_USER, "Personal"},
    {CSIDL_STARTUP, HKEY_CURRENT_USER, "Startup"},
    {CSIDL_SENDTO, HKEY_CURRENT_USER, "SendTo"},
    {CSIDL_DESKTOPDIRECTORY, HKEY_CURRENT_USER, "Desktop"},
    {CSIDL_APPDATA, HKEY_CURRENT_USER, "AppData"},
    {CSIDL_MYPICTURES, HKEY_CURRENT_USER, "My Pictures"},
    {CSIDL_COMMON_PROGRAMS, HKEY_LOCAL_MACHINE, "Common Programs"},
    {CSIDL_COMMON_STARTUP, HKEY_LOCAL_MACHINE, "Common Startup"},
    {CSIDL_COMMON_DESKTOPDIRECTORY, HKEY_LOCAL_MACHINE, "Common Desktop"},
    {CSIDL_COMMON_APPDATA, HKEY_LOCAL_MACHINE, "Common AppData"},
    {CSIDL_COMMON_DOCUMENTS, HKEY_LOCAL_MACHINE, "Common Documents"},
};

using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
using GetSpecialFolderPathFn = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);

template <class Fn>
Fn LookUp(const char* module, const char* name, const char* fallbackName) {
    // The libraries stay loaded for the rest of the run.
    HMODULE lib = ::LoadLibraryA(module);
    if (!lib) return nullptr;
    FARPROC proc = ::GetProcAddress(lib, name);
    if (!proc) proc = ::GetProcAddress(lib, fallbackName);
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

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

namespace fh {

bool QueryFileFacts(const std::string& path, FileFacts& facts) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    facts.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    facts.created = data.ftCreationTime;
    return true;
}

HANDLE OpenForReading(const std::string& path) {
    return ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string GetFileSizeText(const std::string& path) {
    FileFacts facts;
    if (!QueryFileFacts(path, facts) || facts.size == 0) return std::string();
    return FormatSizeText(facts.size);
}

bool CreationTimeFromStamp(const FILETIME& created, std::int64_t& time, const Clock& clock) {
    SYSTEMTIME utc;
    if (!::FileTimeToSystemTime(&created, &utc)) return false;
    std::optional<std::int64_t> local =
        clock.FromLocal(LocalTime{utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond});
    if (!local) return false;
    time = *local;
    return true;
}

bool GetFileCreationTime(const std::string& path, std::int64_t& time, const Clock& clock) {
    UniqueFile file(OpenForReading(path));
    if (!file) return false;
    FILETIME created, accessed, written;
    if (!::GetFileTime(file.Get(), &created, &accessed, &written)) return false;
    return CreationTimeFromStamp(created, time, clock);
}

std::string GetSpecialFolderPath(int csidl) {
    char buffer[MAX_PATH] = "";
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, csidl, &items)) && items) {
        BOOL ok = ::SHGetPathFromIDListA(items, buffer);
        ::CoTaskMemFree(items);
        if (ok && buffer[0]) return buffer;
    }
    for (const ShellFolderValue& v : kShellFolderValues) {
        if (v.csidl != csidl) continue;
        std::string path;
        ReadSettingText(v.root, kShellFolders, v.name, path);
        if (!path.empty()) return path;
    }
    if (csidl == CSIDL_WINDOWS && ::GetWindowsDirectoryA(buffer, MAX_PATH) && buffer[0]) return buffer;
    if (csidl == CSIDL_SYSTEM && ::GetSystemDirectoryA(buffer, MAX_PATH) && buffer[0]) return buffer;

    if (auto fn = LookUp<GetFolderPathFn>("shfolder.dll", "SHGetFolderPathA", "SHGetFolderPath")) {
        buffer[0] = '\0';
        fn(nullptr, csidl, nullptr, 0, buffer);
        if (buffer[0]) return buffer;
    }
    if (auto fn = LookUp<GetSpecialFolderPathFn>("shell32.dll", "SHGetSpecialFolderPathA", "SHGetSpecialFolderPath")) {
        buffer[0] = '\0';
        if (fn(nullptr, buffer, csidl, FALSE) && buffer[0]) return buffer;
    }
    return std::string();
}

}  // namespace fh
