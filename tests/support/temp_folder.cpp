#include "support/temp_folder.h"

#include <shlobj.h>

#include <atomic>

#include "base/codepage.h"

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

bool WriteFileAt(const std::string& path, const std::string& content) {
    std::string folder = path.substr(0, SystemCodePage().FindLast(path, '\\'));
    ::SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = content.empty() || ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == content.size();
}

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(full.c_str());
            }
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(path.c_str());
}

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

}  // namespace fh::test
