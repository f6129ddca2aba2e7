#include "support/temp_folder.h"

#include <shlobj.h>
#include <winioctl.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <cstring>
#include <vector>

#include "../../tools/sample_files.h"

namespace fh::test {

namespace {
std::atomic<int> g_counter{0};
}

TempFolder::TempFolder() {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    m_path = std::string(temp) + "fhtest_" + std::to_string(::GetCurrentProcessId()) + "_" +
             std::to_string(++g_counter);
    RemoveTree(m_path);
    ::CreateDirectoryA(m_path.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

std::string TempFolder::MakeFolder(const std::string& relative) const {
    std::string full = m_path + "\\" + relative;
    ::SHCreateDirectoryExA(nullptr, full.c_str(), nullptr);
    return full;
}

std::string TempFolder::WriteFile(const std::string& relative, const std::string& content) const {
    std::string full = m_path + "\\" + relative;
    WriteFileAt(full, content);
    return full;
}

namespace {

// A mount-point reparse buffer naming the target folder.
bool MakeJunction(const std::string& link, const std::string& target) {
    if (!::CreateDirectoryA(link.c_str(), nullptr)) return false;
    HANDLE dir = ::CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (dir == INVALID_HANDLE_VALUE) {
        ::RemoveDirectoryA(link.c_str());
        return false;
    }
    const std::wstring print(target.begin(), target.end());
    const std::wstring substitute = L"\\?" L"?\\" + print;  // split: no trigraph
    const WORD subBytes = static_cast<WORD>(substitute.size() * 2), printBytes = static_cast<WORD>(print.size() * 2);
    std::vector<unsigned char> buffer(16 + subBytes + 2 + printBytes + 2, 0);
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    const WORD dataLength = static_cast<WORD>(buffer.size() - 8), printOffset = static_cast<WORD>(subBytes + 2);
    const WORD zero = 0;
    std::memcpy(&buffer[0], &tag, 4);
    std::memcpy(&buffer[4], &dataLength, 2);
    std::memcpy(&buffer[8], &zero, 2);
    std::memcpy(&buffer[10], &subBytes, 2);
    std::memcpy(&buffer[12], &printOffset, 2);
    std::memcpy(&buffer[14], &printBytes, 2);
    std::memcpy(&buffer[16], substitute.c_str(), subBytes);
    std::memcpy(&buffer[16 + printOffset], print.c_str(), printBytes);
    DWORD returned = 0;
    const BOOL ok = ::DeviceIoControl(dir, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      nullptr, 0, &returned, nullptr);
    ::CloseHandle(dir);
    if (!ok) ::RemoveDirectoryA(link.c_str());
    return ok != FALSE;
}

// Wine tells the Unix name of a path (empty elsewhere).
std::string UnixName(const std::string& path) {
    using Convert = char*(CDECL*)(LPCWSTR);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return std::string();
    const std::wstring wide(path.begin(), path.end());
    char* name = convert(wide.c_str());
    std::string result = name ? name : "";
    if (name) ::HeapFree(::GetProcessHeap(), 0, name);
    return result;
}

// Wine starts Unix programs like Windows ones (their exit codes do not come
// back: callers look at the result).
void RunUnix(std::string command) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    ::WaitForSingleObject(process.hProcess, 10000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

bool MakeWineSymlink(const std::string& link, const std::string& target) {
    const std::string unixTarget = UnixName(target), unixLink = UnixName(link);
    if (unixTarget.empty() || unixLink.empty()) return false;
    RunUnix("/bin/ln -s \"" + unixTarget + "\" \"" + unixLink + "\"");
    // The Unix program may still be running when its handle signals.
    for (int i = 0; i < 200; ++i) {
        const DWORD attributes = ::GetFileAttributesA(link.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
        ::Sleep(10);
    }
    return false;
}

}  // namespace

bool MakeFolderLink(const std::string& link, const std::string& target) {
    return MakeJunction(link, target) || MakeWineSymlink(link, target);
}

void RemoveFolderLink(const std::string& link) {
    const std::string unixLink = UnixName(link);
    if (unixLink.empty()) {
        ::RemoveDirectoryA(link.c_str());
        return;
    }
    RunUnix("/bin/rm -f \"" + unixLink + "\"");
    for (int i = 0; i < 200 && ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(10);
}

bool WriteFileAt(const std::string& path, const std::string& content) { return sample::WriteWholeFile(path, content); }

void RemoveTree(const std::string& path) { sample::RemoveTree(path); }

std::string SwfBytes(char first, std::size_t size) {
    std::string bytes(size < 8 ? 8 : size, '\0');
    bytes[0] = first;
    bytes[1] = 'W';
    bytes[2] = 'S';
    bytes[3] = 9;
    bytes[4] = static_cast<char>(bytes.size() & 0xFF);
    bytes[5] = static_cast<char>((bytes.size() >> 8) & 0xFF);
    return bytes;
}

std::string ReadFileAt(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool PathExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace fh::test
