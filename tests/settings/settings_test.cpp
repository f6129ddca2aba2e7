#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"
#include "support/registry_fixture.h"
#include "win/platform.h"

namespace fh {
namespace {

using test::RegistryTest;

class SettingsTest : public RegistryTest {};

std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

TEST_F(SettingsTest, KeyCreationCreatesAnEmptyKeyOnce) {
    EXPECT_FALSE(KeyExists(kProgramKey));
    EXPECT_EQ(ERROR_SUCCESS, CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey));
    EXPECT_TRUE(KeyExists(kProgramKey));
    EXPECT_EQ(0u, ValueCount(kProgramKey));
    SetNumber(kProgramKey, "source", 134);
    EXPECT_EQ(ERROR_SUCCESS, CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey));
    EXPECT_EQ(134u, GetNumber(kProgramKey, "source"));
}

TEST_F(SettingsTest, WritesToAMissingKeyAreLostAndCreateNothing) {
    EXPECT_NE(ERROR_SUCCESS, WriteSettingNumber(HKEY_CURRENT_USER, kProgramKey, "source", 136));
    EXPECT_NE(ERROR_SUCCESS, WriteSettingText(HKEY_CURRENT_USER, kProgramKey, "siteFilter", "x"));
    EXPECT_FALSE(KeyExists(kProgramKey));
}

TEST_F(SettingsTest, NumberReadKeepsTheDefaultForAnythingButAFourByteDword) {
    CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey);
    struct Case {
        const char* label;
        DWORD type;
        std::vector<BYTE> data;
        LONG rc;
        DWORD value;
    } cases[] = {
        {"dword", REG_DWORD, {0x88, 0, 0, 0}, ERROR_SUCCESS, 136},
        {"text of three bytes", REG_SZ, Bytes(std::string("1\0", 2)), ERROR_INVALID_DATA, 7},
        {"binary of four bytes", REG_BINARY, {1, 0, 0, 0}, ERROR_INVALID_DATA, 7},
        {"dword of two bytes", REG_DWORD, {1, 0}, ERROR_INVALID_DATA, 7},
        {"eight-byte value", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, ERROR_MORE_DATA, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetRaw(kProgramKey, "n", c.type, c.data);
        DWORD value = 7;
        EXPECT_EQ(c.rc, ReadSettingNumber(HKEY_CURRENT_USER, kProgramKey, "n", value));
        EXPECT_EQ(c.value, value);
    }
    DWORD value = 7;
    EXPECT_NE(ERROR_SUCCESS, ReadSettingNumber(HKEY_CURRENT_USER, kProgramKey, "missing", value));
    EXPECT_EQ(7u, value);
    EXPECT_EQ(ERROR_SUCCESS, WriteSettingNumber(HKEY_CURRENT_USER, kProgramKey, "w", 0xDEADBEEF));
    EXPECT_EQ(0xDEADBEEFu, GetNumber(kProgramKey, "w"));
}

TEST_F(SettingsTest, TextReadFollowsThe1024ByteRule) {
    CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey);
    std::string longest(1023, 'a');
    struct Case {
        const char* label;
        DWORD type;
        std::vector<BYTE> data;
        bool ok;
        std::string text;
    } cases[] = {
        {"plain", REG_SZ, Bytes(std::string("C:\\Movies\0", 10)), true, "C:\\Movies"},
        {"expand string is not expanded", REG_EXPAND_SZ, Bytes(std::string("%TEMP%\0", 7)), true, "%TEMP%"},
        {"empty value", REG_SZ, {0}, true, ""},
        {"1023 characters and the zero fit", REG_SZ, Bytes(longest + std::string(1, '\0')), true, longest},
        {"1024 characters and the zero do not", REG_SZ, Bytes(longest + "b" + std::string(1, '\0')), false, "def"},
        {"embedded zero cuts the text", REG_SZ, Bytes(std::string("ab\0cd\0", 6)), true, "ab"},
        {"number", REG_DWORD, {1, 0, 0, 0}, false, "def"},
        {"binary", REG_BINARY, Bytes(std::string("abc\0", 4)), false, "def"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetRaw(kProgramKey, "t", c.type, c.data);
        std::string text = "def";
        LONG rc = ReadSettingText(HKEY_CURRENT_USER, kProgramKey, "t", text);
        EXPECT_EQ(c.ok, rc == ERROR_SUCCESS);
        EXPECT_EQ(c.text, text);
    }
    EXPECT_EQ(ERROR_SUCCESS, WriteSettingText(HKEY_CURRENT_USER, kProgramKey, "w", "\xB0\xA1 site"));
    EXPECT_EQ(std::string("\xB0\xA1 site"), GetText(kProgramKey, "w"));
    DWORD type = 0;
    EXPECT_EQ(8u, GetRaw(kProgramKey, "w", &type)->size());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
}

TEST_F(SettingsTest, DateRecordsRoundTripAndFallBack) {
    CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey);
    const Clock& clock = SystemClock();
    const std::int64_t midnight = *clock.FromLocal(LocalTime{2024, 2, 29, 0, 0, 0});
    ASSERT_EQ(ERROR_SUCCESS, WriteSettingDate(HKEY_CURRENT_USER, kProgramKey, "exactDate", midnight, clock));
    DWORD type = 0;
    auto raw = GetRaw(kProgramKey, "exactDate", &type);
    ASSERT_TRUE(raw);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ((std::vector<BYTE>{0, 0, 0, 0, 0, 0, 0xE8, 0x07, 2, 0, 29, 0}), *raw);
    std::int64_t time = 1;
    EXPECT_EQ(ERROR_SUCCESS, ReadSettingDate(HKEY_CURRENT_USER, kProgramKey, "exactDate", time, clock));
    EXPECT_EQ(midnight, time);

    struct Case {
        const char* label;
        DWORD type;
        std::vector<BYTE> data;
    } failures[] = {
        {"text", REG_SZ, Bytes(std::string("2024\0", 5))},
        {"longer than 12 bytes", REG_BINARY, std::vector<BYTE>(16, 1)},
        {"failure encoding", REG_BINARY, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {"year before 1970", REG_BINARY, {0, 0, 0, 0, 0, 0, 0xB0, 0x07, 1, 0, 1, 0}},
        {"month 13", REG_BINARY, {0, 0, 0, 0, 0, 0, 0xE8, 0x07, 13, 0, 1, 0}},
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.label);
        SetRaw(kProgramKey, "d", c.type, c.data);
        std::int64_t keep = 12345;
        EXPECT_NE(ERROR_SUCCESS, ReadSettingDate(HKEY_CURRENT_USER, kProgramKey, "d", keep, clock));
        EXPECT_EQ(12345, keep);
    }
}

TEST_F(SettingsTest, ShortDateRecordTakesTheRestFromToday) {
    CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey);
    const Clock& clock = SystemClock();
    // Hour 5, minute 6, second 7 only.
    SetRaw(kProgramKey, "d", REG_BINARY, {5, 0, 6, 0, 7, 0});
    std::int64_t time = 0;
    LocalTime before = *clock.ToLocal(clock.Now());
    ASSERT_EQ(ERROR_SUCCESS, ReadSettingDate(HKEY_CURRENT_USER, kProgramKey, "d", time, clock));
    LocalTime got = *clock.ToLocal(time);
    EXPECT_EQ(5, got.hour);
    EXPECT_EQ(6, got.minute);
    EXPECT_EQ(7, got.second);
    EXPECT_EQ(before.year, got.year);
    EXPECT_EQ(before.month, got.month);
    EXPECT_EQ(before.day, got.day);
}

TEST_F(SettingsTest, SaveFolderPrefersTheSiblingAndWritesWhereItCameFrom) {
    CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey);
    EXPECT_EQ("C:", GetSaveFolder());

    SetSaveFolder("D:\\own");
    EXPECT_EQ(std::string("D:\\own"), GetText(kProgramKey, "SavePath"));
    EXPECT_FALSE(KeyExists(kSiblingKey));
    EXPECT_EQ("D:\\own", GetSaveFolder());

    SetText(kSiblingKey, "SavePath", "");
    EXPECT_EQ("D:\\own", GetSaveFolder());
    SetSaveFolder("D:\\again");
    EXPECT_EQ(std::string("D:\\again"), GetText(kProgramKey, "SavePath"));
    EXPECT_EQ(std::string(""), GetText(kSiblingKey, "SavePath"));

    SetText(kSiblingKey, "SavePath", "E:\\shared");
    EXPECT_EQ("E:\\shared", GetSaveFolder());
    SetSaveFolder("F:\\new");
    EXPECT_EQ(std::string("F:\\new"), GetText(kSiblingKey, "SavePath"));
    EXPECT_EQ(std::string("D:\\again"), GetText(kProgramKey, "SavePath"));
}

class DefaultValueTest : public test::RegistryTest {};

TEST_F(DefaultValueTest, ReadDefaultRegValue) {
    SetText("Software\\Classes\\.swf", "", "ShockwaveFlash.ShockwaveFlash");
    char value[MAX_PATH] = "unchanged";
    EXPECT_EQ(0, ReadDefaultRegValue(HKEY_CURRENT_USER, "Software\\Classes\\.swf", value));
    EXPECT_STREQ("ShockwaveFlash.ShockwaveFlash", value);
    EXPECT_NE(0, ReadDefaultRegValue(HKEY_CURRENT_USER, "Software\\Classes\\.none", value));
    EXPECT_STREQ("ShockwaveFlash.ShockwaveFlash", value);
}

}  // namespace
}  // namespace fh
