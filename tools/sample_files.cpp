#include "sample_files.h"

#include <windows.h>
#include <shlobj.h>
#include <winioctl.h>

#include <algorithm>

namespace fh::sample {

namespace {

// The folder part of a path, cut at the last backslash that starts a character.
std::string FolderOf(const std::string& path) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (::IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] == '\\') last = i;
    }
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

}  // namespace

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    const std::string folder = FolderOf(path);
    if (!folder.empty()) ::SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    // Written in pieces a DWORD can count, whatever the size.
    bool ok = true;
    for (std::size_t at = 0; ok && at < bytes.size();) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        DWORD written = 0;
        ok = ::WriteFile(file, bytes.data() + at, piece, &written, nullptr) && written == piece;
        at += piece;
    }
    ::CloseHandle(file);
    return ok;
}

namespace {

// A junction or link is removed itself, never what it points at: its
// reparse point is deleted first, which leaves a plain empty folder. Where
// that cannot be done (Wine's links), it stays; removing the "folder" there
// would remove its target.
void RemoveLink(const std::string& path, DWORD tag) {
    HANDLE link = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    if (link == INVALID_HANDLE_VALUE) return;
    REPARSE_GUID_DATA_BUFFER header{};
    header.ReparseTag = tag;
    DWORD returned = 0;
    const BOOL cleared = ::DeviceIoControl(link, FSCTL_DELETE_REPARSE_POINT, &header, REPARSE_GUID_DATA_BUFFER_HEADER_SIZE,
                                           nullptr, 0, &returned, nullptr);
    ::CloseHandle(link);
    if (cleared && !(::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT))
        ::RemoveDirectoryA(path.c_str());
}

}  // namespace

namespace {

void ReadTreeInto(const std::string& folder, const std::string& prefix, std::map<std::string, std::string>& files) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == ".." || (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        const std::string full = folder + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ReadTreeInto(full, prefix + name + "\\", files);
            continue;
        }
        HANDLE file = ::CreateFileA(full.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        std::string bytes(::GetFileSize(file, nullptr), '\0');
        DWORD read = 0;
        if (!bytes.empty() && ::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) bytes.resize(read);
        ::CloseHandle(file);
        files[prefix + name] = std::move(bytes);
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
}

}  // namespace

std::map<std::string, std::string> ReadTree(const std::string& folder) {
    std::map<std::string, std::string> files;
    ReadTreeInto(folder, "", files);
    return files;
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveLink(full, data.dwReserved0);
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                // A file under a device's name ("COM1") is reached only as "\\?\C:\...".
                if (!::DeleteFileA(full.c_str()) && full.size() > 2 && full[1] == ':')
                    ::DeleteFileA(("\\\\?\\" + full).c_str());
            }
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(path.c_str());
}

}  // namespace fh::sample
