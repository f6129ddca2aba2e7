#include "settings/settings_store.h"

#include <cstring>
#include <vector>

#include "base/narrow.h"
#include "settings/value_names.h"
#include "settings/date_record.h"
#include "win/handles.h"

namespace fh {

namespace {

UniqueRegKey OpenKey(HKEY root, const char* path, REGSAM access) {
    UniqueRegKey key;
    if (::RegOpenKeyExA(root, path, 0, access, key.Put()) != ERROR_SUCCESS) key.Release();
    return key;
}

}  // namespace

LONG CreateSettingsKey(HKEY root, const char* path) {
    if (OpenKey(root, path, KEY_READ)) return ERROR_SUCCESS;
    UniqueRegKey key;
    DWORD disposition = 0;
    LONG rc = ::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, key.Put(), &disposition);
    if (rc != ERROR_SUCCESS) key.Release();
    return rc;
}

LONG ReadSettingNumber(HKEY root, const char* path, const char* name, DWORD& value) {
    UniqueRegKey key = OpenKey(root, path, KEY_READ);
    if (!key) return ERROR_FILE_NOT_FOUND;
    // Read into a scratch buffer: a value of another type must not replace
    // the caller's default with its bytes.
    DWORD data = 0;
    DWORD type = 0;
    DWORD size = sizeof(data);
    LONG rc = ::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_DWORD || size != sizeof(data)) return ERROR_INVALID_DATA;
    value = data;
    return ERROR_SUCCESS;
}

LONG WriteSettingNumber(HKEY root, const char* path, const char* name, DWORD value) {
    UniqueRegKey key = OpenKey(root, path, KEY_WRITE);
    if (!key) return ERROR_FILE_NOT_FOUND;
    return ::RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG ReadSettingText(HKEY root, const char* path, const char* name, std::string& text) {
    UniqueRegKey key = OpenKey(root, path, KEY_READ);
    if (!key) return ERROR_FILE_NOT_FOUND;
    char buffer[kSettingTextBytes];
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    LONG rc = ::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    if (size == 0 || size > sizeof(buffer) || buffer[size - 1] != '\0') return ERROR_INVALID_DATA;
    text.assign(buffer, std::strlen(buffer));
    return ERROR_SUCCESS;
}

LONG WriteSettingText(HKEY root, const char* path, const char* name, const std::string& text) {
    UniqueRegKey key = OpenKey(root, path, KEY_WRITE);
    if (!key) return ERROR_FILE_NOT_FOUND;
    if (!FitsIn<DWORD>(text.size() + 1)) return ERROR_INVALID_PARAMETER;
    return ::RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
}

LONG ReadSettingDate(HKEY root, const char* path, const char* name, std::int64_t& time, const Clock& clock) {
    UniqueRegKey key = OpenKey(root, path, KEY_READ);
    if (!key) return ERROR_FILE_NOT_FOUND;
    // A record shorter than 12 bytes keeps the current time's fields beyond its end.
    DateRecord record = EncodeDateRecord(clock.ToLocal(clock.Now()));
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(record.size());
    LONG rc = ::RegQueryValueExA(key.Get(), name, nullptr, &type, record.data(), &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_BINARY) return ERROR_INVALID_DATA;
    std::optional<std::int64_t> stored = DateRecordToTime(record, clock);
    if (!stored) return ERROR_INVALID_DATA;
    time = *stored;
    return ERROR_SUCCESS;
}

LONG WriteSettingDate(HKEY root, const char* path, const char* name, std::int64_t time, const Clock& clock) {
    UniqueRegKey key = OpenKey(root, path, KEY_WRITE);
    if (!key) return ERROR_FILE_NOT_FOUND;
    DateRecord record = EncodeDateRecord(clock.ToLocal(time));
    return ::RegSetValueExA(key.Get(), name, 0, REG_BINARY, record.data(), static_cast<DWORD>(record.size()));
}

LONG ReadSettingBinary(HKEY root, const char* path, const char* name, void* bytes, DWORD size) {
    UniqueRegKey key = OpenKey(root, path, KEY_READ);
    if (!key) return ERROR_FILE_NOT_FOUND;
    std::vector<BYTE> data(size + 1);
    DWORD type = 0, got = size + 1;
    const LONG rc = ::RegQueryValueExA(key.Get(), name, nullptr, &type, data.data(), &got);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_BINARY || got != size) return ERROR_INVALID_DATA;
    std::memcpy(bytes, data.data(), size);
    return ERROR_SUCCESS;
}

LONG WriteSettingBinary(HKEY root, const char* path, const char* name, const void* bytes, DWORD size) {
    UniqueRegKey key = OpenKey(root, path, KEY_WRITE);
    if (!key) return ERROR_FILE_NOT_FOUND;
    return ::RegSetValueExA(key.Get(), name, 0, REG_BINARY, static_cast<const BYTE*>(bytes), size);
}

LONG ReadDefaultRegValue(HKEY root, const char* subkey, char* output) {
    UniqueRegKey key;
    LONG rc = ::RegOpenKeyExA(root, subkey, 0, KEY_QUERY_VALUE, key.Put());
    if (rc != ERROR_SUCCESS) {
        key.Release();
        return rc;
    }
    char buffer[MAX_PATH] = "";
    LONG size = sizeof(buffer);
    if (::RegQueryValueA(key.Get(), nullptr, buffer, &size) != ERROR_SUCCESS) buffer[0] = '\0';
    buffer[MAX_PATH - 1] = '\0';
    if (output) lstrcpynA(output, buffer, MAX_PATH);
    return 0;
}

DWORD ReadProgramNumber(const char* name, DWORD defaultValue) {
    DWORD value = defaultValue;
    ReadSettingNumber(HKEY_CURRENT_USER, kProgramKey, name, value);
    return value;
}

void WriteProgramNumber(const char* name, DWORD value) {
    WriteSettingNumber(HKEY_CURRENT_USER, kProgramKey, name, value);
}

std::string ReadProgramText(const char* name, const std::string& defaultValue) {
    std::string text = defaultValue;
    ReadSettingText(HKEY_CURRENT_USER, kProgramKey, name, text);
    return text;
}

void WriteProgramText(const char* name, const std::string& text) {
    WriteSettingText(HKEY_CURRENT_USER, kProgramKey, name, text);
}

std::string GetSaveFolder() {
    std::string folder;
    ReadSettingText(HKEY_CURRENT_USER, kSiblingKey, kValueSavePath, folder);
    if (!folder.empty()) return folder;
    ReadSettingText(HKEY_CURRENT_USER, kProgramKey, kValueSavePath, folder);
    if (!folder.empty()) return folder;
    return "C:";
}

void SetSaveFolder(const std::string& folder) {
    std::string sibling;
    ReadSettingText(HKEY_CURRENT_USER, kSiblingKey, kValueSavePath, sibling);
    WriteSettingText(HKEY_CURRENT_USER, sibling.empty() ? kProgramKey : kSiblingKey, kValueSavePath, folder);
}

}  // namespace fh
