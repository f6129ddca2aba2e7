#include "actions/site_folders.h"

#include <gtest/gtest.h>

namespace fh {
namespace {

const char kRoot[] = "D:\\Saved";

std::string Joined(const SitePath& p) { return p.folder + "\\" + p.base; }

TEST(SiteFolders, AddressesBecomeFoldersUnderTheSaveFolder) {
    const CodePage cp = CodePage::Korean();
    struct Case {
        const char* url;
        const char* path;  // folder \ base
    } cases[] = {
        {"http://www.games.com/arcade/puzzle/tetris.swf", "D:\\Saved\\games.com\\arcade\\puzzle\\tetris"},
        {"http://games.com:8080/a/b.SWF?x=1#frag", "D:\\Saved\\games.com\\a\\b"},
        {"http://user:pw@host.net/x/loader.php?id=3", "D:\\Saved\\host.net\\x\\loader.php"},
        {"http://host.net/dir/", "D:\\Saved\\host.net\\dir\\movie"},
        {"http://host.net/a/../../../../b/c.swf", "D:\\Saved\\host.net\\b\\c"},
        {"http://host.net/a/%2e%2e/%2E%2E/%2e%2e/x.swf", "D:\\Saved\\host.net\\x"},
        {"http://host.net/a\\..\\..\\..\\windows\\x.swf", "D:\\Saved\\host.net\\windows\\x"},
        {"http://host.net/C:/x.swf", "D:\\Saved\\host.net\\C_\\x"},
        {"http://host.net/con/aux.swf", "D:\\Saved\\host.net\\_con\\_aux"},
        {"http://host.net/COM1.txt/nul", "D:\\Saved\\host.net\\_COM1.txt\\_nul"},
        {"http://host.net/dots.../sp%20/x.swf", "D:\\Saved\\host.net\\dots___\\sp%20\\x"},
        {"http://host.net/a%2fb/%41.swf", "D:\\Saved\\host.net\\a%2fb\\A"},
        {"http://host.net/<>|*?\"x.swf", "D:\\Saved\\host.net\\<>|*"},
        {"http://host.net/\xC7\xD1\xB1\xDB/\xB0\xD4\xC0\xD3.swf", "D:\\Saved\\host.net\\\xC7\xD1\xB1\xDB\\\xB0\xD4\xC0\xD3"},
        {"http://host.net/bad\xC7/x\xB0", "D:\\Saved\\host.net\\bad_\\x_"},
        {"", "D:\\Saved\\unclassified\\movie"},
        {"not an address", "D:\\Saved\\unclassified\\movie"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const SitePath p = BuildSitePath(std::string(kRoot) + "\\", c.url, "movie", "unclassified", cp);
        ASSERT_TRUE(p.ok);
        // "<>|*" is what a query-less path keeps before "?": made safe.
        if (std::string(c.url).find("<>") != std::string::npos) {
            EXPECT_EQ("D:\\Saved\\host.net\\____", Joined(p));
            continue;
        }
        EXPECT_EQ(c.path, Joined(p));
    }
}

TEST(SiteFolders, SafeNamesAndTheirDoubleByteTrailBytes) {
    const CodePage kor = CodePage::Korean(), jpn = CodePage::Japanese();
    EXPECT_EQ("_", SafeNamePart("", kor));
    EXPECT_EQ("_", SafeNamePart(".", kor));
    EXPECT_EQ("__", SafeNamePart("..", kor));
    EXPECT_EQ("a_b_c_", SafeNamePart("a:b\x01" "c ", kor));
    EXPECT_EQ("_LPT9.log", SafeNamePart("LPT9.log", kor));
    EXPECT_EQ("lpt10", SafeNamePart("lpt10", kor));
    // 0x95 0x5C is one character in 932, whose trail byte is a backslash:
    // it must not survive as a separator anywhere.
    const std::string safe = SafeNamePart("a\x95\\..\\..\\x", jpn);
    EXPECT_EQ(std::string::npos, safe.find('\\'));
    EXPECT_EQ("a__.._.._x", safe);
    EXPECT_EQ(100u, SafeNamePart(std::string(300, 'n'), kor).size());
    // Windows reserves the superscript forms of COM and LPT, written in the
    // code page's bytes; 932 has no such characters.
    EXPECT_EQ("_lpt\xA9\xF7.swf", SafeNamePart("lpt\xA9\xF7.swf", kor));
    EXPECT_EQ("_COM\xA9\xF6", SafeNamePart("COM\xA9\xF6", kor));
    EXPECT_EQ("_com\xA9\xF8 .x", SafeNamePart("com\xA9\xF8 .x", kor));
    EXPECT_EQ("com\xA9\xF9", SafeNamePart("com\xA9\xF9", kor));
    EXPECT_EQ("lpt\xA9\xF7\xA9\xF7", SafeNamePart("lpt\xA9\xF7\xA9\xF7", kor));
    // A pair the code page's converter refuses would make the name invalid.
    CodePage strict = CodePage::Korean();
    strict.SetPairTest([](unsigned char, unsigned char trail) { return trail != '['; });
    EXPECT_EQ("a_b", SafeNamePart("a\x81[b", strict));
    EXPECT_EQ("a\x81\x41" "b", SafeNamePart("a\x81\x41" "b", strict));
}

TEST(SiteFolders, LongPathsAreShortenedTheSameWayEveryTime) {
    const CodePage cp = CodePage::Korean();
    const std::string root = "D:\\" + std::string(150, 'r');
    std::string folders;
    for (int i = 0; i < 40; ++i) folders += "/folder" + std::to_string(i);
    const std::string url = "http://host.net" + folders + "/" + std::string(1500, 'n') + ".swf";
    const SitePath a = BuildSitePath(root, url, "movie", "u", cp);
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(Joined(a), Joined(BuildSitePath(root, url, "movie", "u", cp)));
    ASSERT_EQ(2u, a.folders.size());
    EXPECT_EQ('~', a.folders[1][0]);
    EXPECT_LE(Joined(a).size() + kCounterRoom + 4, kMaxSavePath);
    EXPECT_GT(Joined(a).size() + kCounterRoom + 4, kMaxSavePath - 3);
    // Another chain of folders gets another hashed folder.
    const SitePath other = BuildSitePath(root, "http://host.net/x" + folders + "/n.swf", "m", "u", cp);
    EXPECT_NE(a.folders[1], other.folders[1]);

    const SitePath h = BuildSitePath(root, "http://" + std::string(230, 'h') + ".com/x.swf", "m", "u", cp);
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(40u, h.folders[0].size());
    EXPECT_LE(h.folder.size(), kMaxSaveFolder);

    EXPECT_FALSE(BuildSitePath(std::string(250, 'r'), "http://h.net/x.swf", "m", "u", cp).ok);
    // An address longer than any cache keeps is no address: unclassified.
    EXPECT_EQ("D:\\Saved\\u", BuildSitePath(kRoot, url + std::string(600, 'p'), "m", "u", cp).folder);
}

}  // namespace
}  // namespace fh
