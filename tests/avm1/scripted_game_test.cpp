// The reference set's scripted game (a preloader, a menu with a button, a
// game of attached clips, a drawn background, a mask and a bound score
// field): its frames as the other player drew them with its scripts run,
// and its button taking the menu to the game at once.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "avm1/avm1_stage.h"
#include "raster/raster_image.h"
#include "support/reference_pictures.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

test::Picture Draw(SwfStage& stage, const SwfMovie& movie) {
    test::Picture picture;
    picture.width = movie.StageWidthPixels();
    picture.height = movie.StageHeightPixels();
    RasterImage image(picture.width, picture.height);
    SwfImages images;
    SwfRasterCanvas canvas(image, images);
    stage.Draw(canvas, SwfMatrix::Scale(0.05, 0.05) * SwfMatrix::Translate(-movie.stage.xMin, -movie.stage.yMin),
               picture.width, picture.height);
    // The stage is opaque: its premultiplied pixels are its straight ones.
    picture.argb = image.px;
    return picture;
}

TEST(ScriptedGame, FramesMatchTheOtherPlayersAndItsButtonStartsTheGame) {
    const char* folder = std::getenv("FLICKHOLD_FIRST_FRAME");
    ASSERT_NE(nullptr, folder) << "FLICKHOLD_FIRST_FRAME names no references";
    const std::string bytes = ReadAll(std::string(folder) + "/cases/70-scripted-game.swf");
    ASSERT_FALSE(bytes.empty());
    MemorySource source(bytes);
    const std::shared_ptr<SwfMovie> movie = LoadSwfMovie(source);
    int pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(folder) + "/ref/scripted")) {
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        const int frame = std::atoi(name.substr(name.rfind("-f") + 2).c_str());
        ASSERT_GT(frame, 0);
        test::Picture reference;
        ASSERT_TRUE(test::ReadPng(ReadAll(entry.path().string()), reference));
        SwfStage stage(movie);
        avm1::StageScripts scripts(stage);
        for (int played = 1; played < frame; ++played) stage.Advance();
        const test::PictureScore score = test::ScorePicture(reference, Draw(stage, *movie));
        EXPECT_GE(score.within, 97.0);
        EXPECT_GE(score.withinEdge, 99.9);
        ++pictures;
    }
    EXPECT_GE(pictures, 4);

    // The bar is full on the fourth frame: the menu. Its button's release
    // goes to the game at once, long before the menu would start it itself.
    SwfStage stage(movie);
    avm1::StageScripts scripts(stage);
    for (int played = 1; played < 4; ++played) stage.Advance();
    ASSERT_EQ(2, stage.Frame());
    stage.Advance();
    EXPECT_EQ(2, stage.Frame());
    stage.PointerMove(20 * 20, 20 * 20, false);
    stage.PointerDown(20 * 20, 20 * 20);
    stage.PointerUp(20 * 20, 20 * 20);
    EXPECT_EQ(2, stage.Frame()) << "a click beside the button";
    stage.PointerMove(160 * 20, 130 * 20, false);
    stage.PointerDown(160 * 20, 130 * 20);
    EXPECT_EQ(2, stage.Frame()) << "the press alone";
    stage.PointerUp(160 * 20, 130 * 20);
    EXPECT_EQ(3, stage.Frame());
}

}  // namespace
}  // namespace fh
