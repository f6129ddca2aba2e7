#pragma once
// Redirects HKEY_CURRENT_USER to a fresh key for each test and deletes it after.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace fh::test {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Values under the redirected hive.
    static void SetRaw(const char* key, const char* name, DWORD type, const std::vector<BYTE>& data);
    static void SetNumber(const char* key, const char* name, DWORD value);
    static void SetText(const char* key, const char* name, const std::string& text);
    static std::optional<DWORD> GetNumber(const char* key, const char* name);
    static std::optional<std::string> GetText(const char* key, const char* name);
    static std::optional<std::vector<BYTE>> GetRaw(const char* key, const char* name, DWORD* type = nullptr);
    static bool KeyExists(const char* key);
    static DWORD ValueCount(const char* key);

    // Removes "Software\\Tarnwick" and puts back a volatile key in its place,
    // under which the program's non-volatile key cannot be created.
    static void BlockProgramKey();

private:
    std::string m_path;
    HKEY m_root = nullptr;
};

}  // namespace fh::test
