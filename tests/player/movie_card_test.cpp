#include "player/movie_card.h"

#include <gtest/gtest.h>

namespace fh {
namespace {

CardTexts Texts() {
    CardTexts t;
    t.version = "V";
    t.compression = "C";
    t.none = "none";
    t.stage = "S";
    t.frameRate = "R";
    t.frameCount = "N";
    t.fileSize = "F";
    t.bytes = " b";
    t.actionScript3 = "AS3";
    t.yes = "yes";
    t.no = "no";
    t.title = "T";
    t.notAMovie = "not a movie";
    t.cutShort = "cut short";
    t.corrupt = "corrupt";
    t.tooLarge = "too large";
    t.unreadable = "unreadable";
    t.sha256 = "H";
    return t;
}

std::string Joined(const std::vector<CardLine>& lines) {
    std::string out;
    for (const CardLine& l : lines) out += l.label + "=" + l.value + ";";
    return out;
}

TEST(MovieCard, LinesSayWhatWasReadAndWhyItStopped) {
    SwfHeaderInfo info;
    info.stop = SwfStop::FirstFrame;
    info.compression = SwfCompression::Lzma;
    info.version = 13;
    info.hasStage = true;
    info.xMax = 550 * 20;
    info.yMax = 400 * 20;
    info.frameRate = 30 << 8;
    info.frameCount = 7;
    info.actionScript3 = true;
    const std::string hash = "0123456789abcdef" + std::string(48, 'e');
    EXPECT_EQ("T=Game;V=13;C=LZMA;S=550 x 400;R=30.00 fps;N=7;F=1 234 b;H=0123456789abcdef;AS3=yes;",
              Joined(MovieCardLines(info, Texts(), "1 234", "Game", hash)));

    SwfHeaderInfo cut;
    cut.stop = SwfStop::CutShort;
    cut.version = 6;
    EXPECT_EQ("V=6;C=none;cut short=;", Joined(MovieCardLines(cut, Texts(), "", "")));
    cut.stop = SwfStop::BadCompressedData;
    cut.compression = SwfCompression::Zlib;
    EXPECT_EQ("V=6;C=zlib;corrupt=;", Joined(MovieCardLines(cut, Texts(), "", "")));
    cut.stop = SwfStop::InflateLimit;
    EXPECT_EQ("V=6;C=zlib;too large=;", Joined(MovieCardLines(cut, Texts(), "", "")));

    SwfHeaderInfo notMovie;
    EXPECT_EQ("not a movie=;F=12 b;", Joined(MovieCardLines(notMovie, Texts(), "12", "")));
    EXPECT_EQ("not a movie=;F=12 b;H=0123456789abcdef;", Joined(MovieCardLines(notMovie, Texts(), "12", "", hash)));
}

TEST(MovieCard, StageFitsTheAreaAtItsAspectRatio) {
    struct Case {
        const char* label;
        int areaW, areaH;
        std::int64_t stageW, stageH;
        int w, h;
    } cases[] = {
        {"wide area", 400, 200, 550, 400, 275, 200},
        {"tall area", 200, 400, 550, 400, 200, 145},
        {"square stage", 300, 300, 100, 100, 300, 300},
        {"no stage is 4:3", 400, 400, 0, 0, 400, 300},
        {"negative stage is 4:3", 400, 400, -550, 400, 400, 300},
        {"absurd ratio is 4:3", 400, 400, 1073741823, 1, 400, 300},
        {"huge stage", 400, 300, 53687091, 53687091, 300, 300},
        {"no area", 0, 300, 550, 400, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const StageBox box = FitStage(c.areaW, c.areaH, c.stageW, c.stageH);
        EXPECT_EQ(c.w, box.width);
        EXPECT_EQ(c.h, box.height);
    }
}

TEST(CardLayout, MarginsAndStageBoxFollowTheResolution) {
    // The same window at 96, 144 and 192 DPI: its pixels and its font grow together.
    const CardLayout at96 = LayOutCard(450, 400, 16, 8, true, 550, 400, 96);
    const CardLayout at144 = LayOutCard(675, 600, 24, 8, true, 550, 400, 144);
    const CardLayout at192 = LayOutCard(900, 800, 32, 8, true, 550, 400, 192);
    EXPECT_EQ(8, at96.margin);
    EXPECT_EQ(12, at144.margin);
    EXPECT_EQ(16, at192.margin);
    // 400 - 8 lines of 16 - 3 margins leaves 248 pixels of height: 341 x 248.
    EXPECT_EQ(341, at96.width);
    EXPECT_EQ(248, at96.height);
    EXPECT_EQ((450 - 341) / 2, at96.left);
    EXPECT_EQ(8 + 248 + 8, at96.textTop);
    EXPECT_EQ(2 * at96.width, at192.width);
    EXPECT_EQ(2 * at96.height, at192.height);
    EXPECT_EQ(2 * at96.textTop, at192.textTop);
    EXPECT_NEAR(1.5 * at96.width, at144.width, 1);
    EXPECT_EQ(372, at144.height);
    const CardLayout none = LayOutCard(450, 400, 15, 2, false, 0, 0, 192);
    EXPECT_EQ(0, none.width);
    EXPECT_EQ(16, none.textTop);
}

}  // namespace
}  // namespace fh
