#include "support/registry_fixture.h"

#include <atomic>

namespace fh::test {

namespace {
std::atomic<int> g_counter{0};
}

void RegistryTest::SetUp() {
    m_path = "Software\\FlickholdTests\\" + std::to_string(::GetCurrentProcessId()) + "_" +
             std::to_string(++g_counter);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &m_root, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, m_root));
}

void RegistryTest::TearDown() {
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (m_root) ::RegCloseKey(m_root);
    m_root = nullptr;
    ::RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
}

void RegistryTest::BlockProgramKey() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Tarnwick");
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tarnwick");
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Tarnwick", 0, nullptr,
                                               REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    ::RegCloseKey(k);
}

void RegistryTest::SetRaw(const char* key, const char* name, DWORD type, const std::vector<BYTE>& data) {
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegSetValueExA(k, name, 0, type, data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size())));
    ::RegCloseKey(k);
}

void RegistryTest::SetNumber(const char* key, const char* name, DWORD value) {
    SetRaw(key, name, REG_DWORD, std::vector<BYTE>(reinterpret_cast<BYTE*>(&value), reinterpret_cast<BYTE*>(&value) + 4));
}

void RegistryTest::SetText(const char* key, const char* name, const std::string& text) {
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    SetRaw(key, name, REG_SZ, data);
}

std::optional<std::vector<BYTE>> RegistryTest::GetRaw(const char* key, const char* name, DWORD* type) {
    HKEY k = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
    DWORD size = 0;
    DWORD t = 0;
    std::optional<std::vector<BYTE>> result;
    if (::RegQueryValueExA(k, name, nullptr, &t, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<BYTE> data(size);
        if (::RegQueryValueExA(k, name, nullptr, &t, data.data(), &size) == ERROR_SUCCESS) {
            data.resize(size);
            result = data;
            if (type) *type = t;
        }
    }
    ::RegCloseKey(k);
    return result;
}

std::optional<DWORD> RegistryTest::GetNumber(const char* key, const char* name) {
    DWORD type = 0;
    auto raw = GetRaw(key, name, &type);
    if (!raw || type != REG_DWORD || raw->size() != 4) return std::nullopt;
    return *reinterpret_cast<const DWORD*>(raw->data());
}

std::optional<std::string> RegistryTest::GetText(const char* key, const char* name) {
    DWORD type = 0;
    auto raw = GetRaw(key, name, &type);
    if (!raw || type != REG_SZ) return std::nullopt;
    std::string text(raw->begin(), raw->end());
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

bool RegistryTest::KeyExists(const char* key) {
    HKEY k = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    ::RegCloseKey(k);
    return true;
}

DWORD RegistryTest::ValueCount(const char* key) {
    HKEY k = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return 0;
    DWORD values = 0;
    ::RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr);
    ::RegCloseKey(k);
    return values;
}

}  // namespace fh::test
