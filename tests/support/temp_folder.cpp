#include "support/temp_folder.h"

#include <shlobj.h>

#include <atomic>

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

}  // namespace fh::test
