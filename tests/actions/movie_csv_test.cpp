#include "actions/movie_csv.h"

#include <gtest/gtest.h>

#include "support/csv_reader.h"

namespace fh {
namespace {

TEST(MovieCsv, QuotingFollowsRfc4180AndReadsBack) {
    const std::vector<std::string> fields = {"plain", "a,b", "say \"hi\"", "two\r\nlines", "", "\xED\x95\x9C", "lf\n"};
    const std::string record = CsvRecord(fields);
    EXPECT_EQ("plain,\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\",,\xED\x95\x9C,\"lf\n\"\r\n", record);
    EXPECT_EQ(std::vector<std::vector<std::string>>{fields}, test::ReadCsv(record));
}

TEST(MovieCsv, MovieRecordsCarryTheHeaderFacts) {
    CsvMovie m;
    m.name = "intro";
    m.url = "http://games.com/intro.swf";
    m.site = "games.com";
    m.path = "C:\\cache\\intro[1].swf";
    m.size = 123456;
    m.sha256 = std::string(64, 'a');
    m.copies = 3;
    m.lastModified = "Mon, 01 Jan 2007 00:00:00 GMT";
    m.fileTime = LocalTime{2007, 1, 2, 3, 4, 5};
    SwfHeaderInfo h;
    h.stop = SwfStop::FirstFrame;
    h.signature = "CWS";
    h.version = 9;
    h.hasStage = true;
    h.xMax = 550 * 20;
    h.yMax = 400 * 20;
    h.frameRate = static_cast<std::uint16_t>(29.5 * 256);
    h.frameCount = 120;
    h.actionScript3 = true;
    m.header = h;
    m.savedTo = "D:\\Saved\\games.com\\intro.swf";
    m.cacheKind = "Firefox cache2";
    m.cacheLastAccess = LocalTime{2011, 3, 15, 9, 30, 0};
    EXPECT_EQ("intro,http://games.com/intro.swf,games.com,C:\\cache\\intro[1].swf,123456," + std::string(64, 'a') +
              ",3,\"Mon, 01 Jan 2007 00:00:00 GMT\",2007-01-02T03:04:05,CWS,9,550,400,29.5,120,1,"
              "Firefox cache2,2011-03-15T09:30:00,,D:\\Saved\\games.com\\intro.swf\r\n",
              CsvMovieRecord(m, true));
    m.header.reset();
    m.size.reset();
    m.fileTime.reset();
    // A movie that could not be read has no hash, and so no copies.
    m.sha256.clear();
    const std::vector<std::string> bare = test::ReadCsv(CsvMovieRecord(m, false))[0];
    ASSERT_EQ(19u, bare.size());
    EXPECT_EQ("", bare[5]);
    EXPECT_EQ("0", bare[6]);
    const std::vector<std::string> header = test::ReadCsv(CsvHeaderRecord(true))[0];
    ASSERT_EQ(20u, header.size());
    EXPECT_EQ((std::vector<std::string>{"size", "sha256", "copies", "last modified"}),
              std::vector<std::string>(header.begin() + 4, header.begin() + 8));
    EXPECT_EQ("0.00390625", FormatFrameRate(1));
    EXPECT_EQ("24", FormatFrameRate(24 * 256));
    EXPECT_EQ("255.99609375", FormatFrameRate(0xFFFF));
}

TEST(MovieCsv, TextsThatASpreadsheetWouldRunAreQuotedAsText) {
    const struct {
        const char* text;
        const char* cell;
    } cases[] = {
        {"=HYPERLINK(\"http://x\")", "'=HYPERLINK(\"http://x\")"},
        {"+1+2", "'+1+2"},
        {"-2+3", "'-2+3"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tcmd", "'\tcmd"},
        {"\rcmd", "'\rcmd"},
        {"a=b", "a=b"},
        {"'quoted", "'quoted"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CsvMovie m;
        m.name = c.text;
        m.url = c.text;
        m.site = "games.com";
        m.path = c.text;
        m.lastModified = c.text;
        m.savedTo = c.text;
        const std::vector<std::string> fields = test::ReadCsv(CsvMovieRecord(m, true))[0];
        ASSERT_EQ(20u, fields.size());
        for (std::size_t i : {0u, 1u, 3u, 7u, 19u}) EXPECT_EQ(c.cell, fields[i]) << "column " << i;
        EXPECT_EQ("games.com", fields[2]);
    }
}

}  // namespace
}  // namespace fh
