#pragma once
// The settings store: every value lives in the current user's registry hive.
// Each operation opens the key for this one access and closes it again.

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/local_time.h"

namespace fh {

constexpr char kProgramKey[] = "Software\\Tarnwick\\Flickhold";
constexpr char kSiblingKey[] = "Software\\Tarnwick\\Savvorn";
// Texts longer than this are treated as missing.
constexpr DWORD kSettingTextBytes = 1024;

// Creates the key when it cannot be opened for reading; writes no value.
LONG CreateSettingsKey(HKEY root, const char* path);

// Each read leaves the caller's value unchanged on any failure.
LONG ReadSettingNumber(HKEY root, const char* path, const char* name, DWORD& value);
LONG WriteSettingNumber(HKEY root, const char* path, const char* name, DWORD value);
LONG ReadSettingText(HKEY root, const char* path, const char* name, std::string& text);
LONG WriteSettingText(HKEY root, const char* path, const char* name, const std::string& text);
LONG ReadSettingDate(HKEY root, const char* path, const char* name, std::int64_t& time, const Clock& clock);
LONG WriteSettingDate(HKEY root, const char* path, const char* name, std::int64_t time, const Clock& clock);

// A binary value read whole into `bytes`, only when it has exactly that size.
LONG ReadSettingBinary(HKEY root, const char* path, const char* name, void* bytes, DWORD size);
LONG WriteSettingBinary(HKEY root, const char* path, const char* name, const void* bytes, DWORD size);

// The default value of a key (as RegQueryValueA reads it) into a 260-byte
// buffer; 0, or the error of opening the key.
LONG ReadDefaultRegValue(HKEY root, const char* subkey, char* output);

// Shorthands for the program's own key.
DWORD ReadProgramNumber(const char* name, DWORD defaultValue);
void WriteProgramNumber(const char* name, DWORD value);
std::string ReadProgramText(const char* name, const std::string& defaultValue);
void WriteProgramText(const char* name, const std::string& text);

// The sibling product's save folder wins over the program's own; "C:" when
// neither is set. A new folder goes where the current one came from.
std::string GetSaveFolder();
void SetSaveFolder(const std::string& folder);

}  // namespace fh
