#include "base/codepage.h"

#include <gtest/gtest.h>

namespace fh {
namespace {

// "表" in code page 932 is 0x95 0x5C: its trail byte is a backslash.
const std::string kTable932 = "\x95\x5C";
// Hangul syllable GA (U+AC00) in code page 949 is 0xB0 0xA1.
const std::string kGa949 = "\xB0\xA1";

TEST(CodePage, SearchesNeverStopOnATrailByte) {
    const CodePage sjis = CodePage::Japanese();
    const std::string path = "C:\\dir\\" + kTable932 + "x";
    EXPECT_EQ(6u, sjis.FindLast(path, '\\'));
    EXPECT_EQ(2u, sjis.Find(path, '\\'));
    EXPECT_EQ(std::string::npos, sjis.Find(kTable932, '\\'));

    // A single-byte page sees the trail byte as a backslash.
    EXPECT_EQ(8u, CodePage().FindLast(path, '\\'));

    // A lead byte at the very end stands alone and is not read past.
    const std::string cut = "a\\\x95";
    EXPECT_EQ(1u, sjis.FindLast(cut, '\\'));
    EXPECT_EQ(1u, sjis.CharLength(cut, 2));
}

TEST(CodePage, FindTextStartsOnlyAtCharacterBoundaries) {
    const CodePage sjis = CodePage::Japanese();
    const std::string s = kTable932 + "\\x";
    EXPECT_EQ(2u, sjis.FindText(s, "\\x"));
    EXPECT_EQ(std::string::npos, sjis.FindText(kTable932 + "x", "\\x"));
}

TEST(CodePage, CaseMappingTouchesOnlyAsciiLettersOutsideDoubleByteCharacters) {
    const CodePage kor = CodePage::Korean();
    // 0xC1 0x41 is one character in 949: its trail byte "A" must keep its case.
    const std::string mixed = "SiTe:\xC1\x41Z";
    EXPECT_EQ("site:\xC1\x41z", kor.ToLower(mixed));
    EXPECT_EQ("SITE:\xC1\x41Z", kor.ToUpper(mixed));
    // A single-byte page lowers every ASCII letter, the former trail byte too.
    EXPECT_EQ("site:\xC1\x61z", CodePage().ToLower("SITE:\xC1\x41Z"));
    EXPECT_TRUE(kor.EqualNoCase("Www." + kGa949, "wWW." + kGa949));
    EXPECT_FALSE(kor.EqualNoCase("abc", "abcd"));
}

TEST(CodePage, StartsWithNoCaseRespectsCharacterBoundaries) {
    const CodePage kor = CodePage::Korean();
    EXPECT_TRUE(kor.StartsWithNoCase("Example.COM", "example"));
    EXPECT_TRUE(kor.StartsWithNoCase(kGa949 + "b", kGa949));
    EXPECT_FALSE(kor.StartsWithNoCase(kGa949 + "b", kGa949.substr(0, 1)));
    EXPECT_FALSE(kor.StartsWithNoCase("ab", "abc"));
    EXPECT_TRUE(kor.StartsWithNoCase("ab", ""));
}

TEST(CodePage, SystemCodePageIsSettable) {
    const CodePage saved = SystemCodePage();
    SetSystemCodePage(CodePage::Japanese());
    EXPECT_TRUE(SystemCodePage().IsLeadByte(0x95));
    EXPECT_FALSE(SystemCodePage().IsLeadByte(0xA1));
    SetSystemCodePage(saved);
}

}  // namespace
}  // namespace fh
