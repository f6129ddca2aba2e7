#include "app/batch_args.h"

#include <gtest/gtest.h>

namespace fh {
namespace {

BatchRequest Parse(std::vector<std::string> args) { return ParseBatchArgs(args, CodePage::Korean()); }

TEST(BatchArgs, FlagsAndTheirValues) {
    const BatchRequest r = Parse({"/EXPORT:C:\\out\\list.csv", "-saveall:D:\\keep", "/SiteFolders",
                                  "/source:folder:C:\\My Movies", "/site:games.com"});
    EXPECT_TRUE(r.batch);
    EXPECT_EQ(BatchError::None, r.error);
    EXPECT_EQ("C:\\out\\list.csv", r.exportPath);
    EXPECT_EQ("D:\\keep", r.saveFolder);
    EXPECT_TRUE(r.siteFolders);
    EXPECT_EQ(BatchSource::Folder, r.source);
    EXPECT_EQ("C:\\My Movies", r.folder);
    EXPECT_EQ("games.com", r.site);
    EXPECT_EQ(BatchSource::Firefox, Parse({"/export:x.csv", "/source:FireFox"}).source);
    EXPECT_EQ(BatchSource::Ie, Parse({"/export:x.csv"}).source);
    const BatchRequest archive = Parse({"/export:x.csv", "/source:Archive:D:\\Old Disk\\Cache"});
    EXPECT_EQ(BatchSource::Archive, archive.source);
    EXPECT_EQ("D:\\Old Disk\\Cache", archive.folder);
    EXPECT_EQ(BatchError::BadSource, Parse({"/export:x.csv", "/source:archive:"}).error);
    // Snapshots alone are enough to do.
    const BatchRequest shots = Parse({"/Snapshot:D:\\Pictures"});
    EXPECT_TRUE(shots.batch);
    EXPECT_EQ(BatchError::None, shots.error);
    EXPECT_EQ("D:\\Pictures", shots.snapshotFolder);
    EXPECT_EQ(BatchError::RepeatedFlag, Parse({"/snapshot:a", "/snapshot:b"}).error);
    EXPECT_EQ(1, shots.snapshotFrame);
    EXPECT_EQ(100000, Parse({"/snapshot:a", "/frame:100000"}).snapshotFrame);
    // Traces alone are enough too, and take the frame count.
    const BatchRequest traces = Parse({"/source:folder:C:\\m", "/TRACE:C:\\t", "/frame:5"});
    EXPECT_EQ(BatchError::None, traces.error);
    EXPECT_EQ("C:\\t", traces.traceFolder);
    EXPECT_EQ(5, traces.snapshotFrame);
    EXPECT_FALSE(r.unique);
    EXPECT_TRUE(Parse({"/saveall:a", "/Unique"}).unique);
    EXPECT_TRUE(Parse({"-unique", "/snapshot:a"}).unique);
}

TEST(BatchArgs, WithoutBatchFlagsTheWindowStartsAsBefore) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"/site:games.com"}, {"/unknown", "word"}, {"/exports"}, {"/uniquely"}}) {
        EXPECT_FALSE(Parse(args).batch);
    }
}

TEST(BatchArgs, BadCommandLines) {
    struct Case {
        std::vector<std::string> args;
        BatchError error;
        const char* offending;
    } cases[] = {
        {{"/export:a.csv", "/verbose"}, BatchError::UnknownArgument, "/verbose"},
        {{"/export:a.csv", "stray"}, BatchError::UnknownArgument, "stray"},
        {{"/export:a.csv", "/EXPORT:b.csv"}, BatchError::RepeatedFlag, "/EXPORT:b.csv"},
        {{"/export:"}, BatchError::MissingValue, "/export:"},
        {{"/saveall:x", "/source:"}, BatchError::MissingValue, "/source:"},
        {{"/saveall:x", "/source:opera"}, BatchError::BadSource, "/source:opera"},
        {{"/saveall:x", "/source:folder:"}, BatchError::BadSource, "/source:folder:"},
        {{"/saveall:x", "/site:a"}, BatchError::BadSite, "/site:a"},
        {{"/source:ie"}, BatchError::NothingToDo, ""},
        {{"/export:a.csv", "/sitefolders"}, BatchError::SiteFoldersAlone, "/sitefolders"},
        {{"/snapshot:a", "/frame:0"}, BatchError::BadFrame, "/frame:0"},
        {{"/snapshot:a", "/frame:100001"}, BatchError::BadFrame, "/frame:100001"},
        {{"/snapshot:a", "/frame:99999999999"}, BatchError::BadFrame, "/frame:99999999999"},
        {{"/snapshot:a", "/frame:3x"}, BatchError::BadFrame, "/frame:3x"},
        {{"/export:a.csv", "/frame:3"}, BatchError::BadFrame, "/frame:"},
        {{"/export:a.csv", "/unique"}, BatchError::UniqueAlone, "/unique"},
        {{"/saveall:a", "/unique", "/unique"}, BatchError::RepeatedFlag, "/unique"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offending);
        const BatchRequest r = Parse(c.args);
        EXPECT_TRUE(r.batch);
        EXPECT_EQ(c.error, r.error);
        EXPECT_EQ(c.offending, r.offending);
    }
}

}  // namespace
}  // namespace fh
