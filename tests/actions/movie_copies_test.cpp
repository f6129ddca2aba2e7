#include "actions/movie_copies.h"

#include <gtest/gtest.h>

#include "base/hex_text.h"

namespace fh {
namespace {

TEST(MovieCopies, RowsWithOneHashAreCopiesAndRowsWithoutOneMatchNothing) {
    EXPECT_EQ((std::vector<int>{3, 2, 0, 3, 1, 0, 3, 2}), CountCopies({"aa", "bb", "", "aa", "cc", "", "aa", "bb"}));
    EXPECT_TRUE(CountCopies({}).empty());
}

TEST(MovieCopies, EachMovieIsWrittenByItsFirstRowOrByTheNextCopyWhenThatFailed) {
    const std::vector<std::string> hashes = {"aa", "bb", "aa", "", "", "bb", "aa", "bb", "cc"};
    // What writing each row would give ("" fails).
    const std::vector<std::string> files = {"a.swf", "", "a01.swf", "x.swf", "y.swf", "b.swf", "a02.swf", "b01.swf",
                                            "c.swf"};
    auto run = [&](const std::vector<std::string>* onceBy) {
        OncePerMovie once(onceBy);
        std::vector<std::string> done;
        for (std::size_t row = 0; row < files.size(); ++row) {
            const std::string earlier = once.WrittenFor(row);
            if (!earlier.empty()) {
                done.push_back("as " + earlier);
                continue;
            }
            once.Wrote(row, files[row]);
            done.push_back("wrote " + files[row]);
        }
        return done;
    };
    EXPECT_EQ((std::vector<std::string>{"wrote a.swf", "wrote ", "as a.swf", "wrote x.swf", "wrote y.swf",
                                        "wrote b.swf", "as a.swf", "as b.swf", "wrote c.swf"}),
              run(&hashes));
    // Without hashes every row is written.
    EXPECT_EQ((std::vector<std::string>{"wrote a.swf", "wrote ", "wrote a01.swf", "wrote x.swf", "wrote y.swf",
                                        "wrote b.swf", "wrote a02.swf", "wrote b01.swf", "wrote c.swf"}),
              run(nullptr));
}

TEST(MovieCopies, DigestsAreWrittenAsLowercaseHex) {
    EXPECT_EQ("000fa5ff10", LowerHex(std::string("\x00\x0F\xA5\xFF\x10", 5)));
    EXPECT_EQ("", LowerHex(""));
}

}  // namespace
}  // namespace fh
