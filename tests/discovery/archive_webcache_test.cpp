// The cache folder walk over a copied IE11 profile: the real WebCache
// database (FLICKHOLD_WEBCACHE) untouched, movies placed as the body files
// of some of its rows, as they would lie on a copied disk.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "caches/webcache.h"
#include "discovery/archive_scan.h"

#include "support/archive_folders.h"

namespace fh {
namespace {

std::string FixtureFile(const std::string& name) {
    const char* folder = std::getenv("FLICKHOLD_WEBCACHE");
    std::ifstream in(std::string(folder ? folder : ".") + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The esedbexport rows by "folder\\file name": their fields by column name.
std::map<std::string, std::map<std::string, std::string>> ExportedRows() {
    std::istringstream lines(FixtureFile("content-rows.tsv"));
    std::string line;
    std::vector<std::string> names;
    std::map<std::string, std::map<std::string, std::string>> rows;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
        if (names.empty()) {
            names = fields;
            continue;
        }
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < names.size() && i < fields.size(); ++i) row[names[i]] = fields[i];
        rows[row["Folder"] + "\\" + row["Filename"]] = row;
    }
    return rows;
}

std::string Movie(char fill) { return "FWS\x0A" + std::string(4, '\0') + std::string(300, fill); }

TEST(ArchiveScan, WebCacheRowsGiveTheirMoviesWithAddressesAndTimesOnce) {
    const std::string windows = "Users\\Administrator\\AppData\\Local\\Microsoft\\Windows";
    const std::string cache = windows + "\\INetCache\\IE\\";
    test::MemoryFolder folder;
    folder.files[windows + "\\WebCache\\WebCacheV01.dat"] =
        DecodeBody(FixtureFile("WebCacheV01-win10-2021-dirty.dat.gz"), BodyEncoding::Gzip, 64u << 20).value_or("");
    ASSERT_EQ(16u << 20, folder.files.begin()->second.size()) << "FLICKHOLD_WEBCACHE names no database";
    const struct {
        const char* label;
        std::string row;   // the row's folder and file name
        std::string path;  // where its body lies in the copy
    } cases[] = {
        {"a row's own name, beside the profile", "L9HRTYNO\\E7LW1M9F.htm", cache + "L9HRTYNO\\E7LW1M9F.htm"},
        {"a numbered name, beside the profile", "0KLPAC95\\cb=gapi[1].js", cache + "0KLPAC95\\cb=gapi[1].js"},
        {"a folder found only by its name", "L9HRTYNO\\i1_1967ca6a[1].png",
         "elsewhere\\copied\\L9HRTYNO\\i1_1967ca6a[1].png"},
    };
    char fill = 'a';
    for (const auto& c : cases) folder.files[c.path] = Movie(fill++);
    // The same name elsewhere is another file: the copy beside the profile
    // wins, though the walk meets it later.
    folder.files["Copies\\0KLPAC95\\cb=gapi[1].js"] = Movie('z');
    // A row whose body is no movie is not listed.
    folder.files[cache + "0KLPAC95\\XQ9T0GZO.htm"] = "<html></html>";

    const auto rows = ExportedRows();
    const ArchiveScan scan = ScanArchive(folder);
    EXPECT_EQ(0, scan.damaged);
    std::map<std::string, int> listed;
    for (const CacheRecord& r : scan.movies) ++listed[r.file];
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(1, listed[c.path]);
        const CacheRecord* found = nullptr;
        for (const CacheRecord& r : scan.movies)
            if (r.file == c.path) found = &r;
        ASSERT_TRUE(rows.count(c.row));
        const auto& row = rows.at(c.row);
        EXPECT_STREQ(kWebCacheKind, found->kind);
        EXPECT_EQ(row.at("Url"), found->url);
        EXPECT_EQ(row.at("Modified"), std::to_string(found->lastModified));
        EXPECT_EQ(row.at("Accessed"), std::to_string(found->lastAccess));
        EXPECT_EQ(row.at("Expires"), std::to_string(found->expires));
        EXPECT_EQ(folder.files[c.path], test::StoredBody(folder, *found));
    }
    // The other copy has only its signature; nothing else is listed.
    EXPECT_EQ(std::size(cases) + 1, scan.movies.size());
    EXPECT_EQ(1, listed["Copies\\0KLPAC95\\cb=gapi[1].js"]);
    for (const CacheRecord& r : scan.movies) {
        if (r.file.compare(0, 7, "Copies\\") != 0) continue;
        EXPECT_STREQ("signature", r.kind);
    }
}

}  // namespace
}  // namespace fh
