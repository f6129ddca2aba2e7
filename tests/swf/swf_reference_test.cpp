// The reference movies' frame 1, and the later frames that have pictures
// (ref/NAME-fN.png), drawn by the core on its own rasterizer, scored
// against the pictures an independent player drew
// (FLICKHOLD_FIRST_FRAME: tests/data/first-frame).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <algorithm>
#include <mutex>
#include <thread>

#include "support/reference_pictures.h"
#include "swf/swf_banded.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Frame `frame` at the stage's size (after that many frames played),
// composited on nothing (the stage is opaque).
test::Picture DrawFrame(const std::string& bytes, int frame = 1) {
    MemorySource source(bytes);
    std::shared_ptr<SwfMovie> movie = LoadSwfMovie(source);
    SwfStage stage(movie);
    for (int played = 1; played < frame; ++played) stage.Advance();
    test::Picture picture;
    picture.width = movie->StageWidthPixels();
    picture.height = movie->StageHeightPixels();
    RasterImage image(picture.width, picture.height);
    SwfImages images;
    SwfRasterCanvas canvas(image, images);
    const SwfMatrix view = SwfMatrix::Scale(0.05, 0.05) * SwfMatrix::Translate(-movie->stage.xMin, -movie->stage.yMin);
    stage.Draw(canvas, view, picture.width, picture.height);
    // Drawn again in bands on three threads, as the program draws: the very
    // same pixels. Each band is heard once, its rows final by then; the
    // bands, when there are any, cover the picture.
    RasterImage banded(picture.width, picture.height, 0x12345678u);
    std::mutex lock;
    std::vector<std::pair<int, int>> bands;
    DrawStageInBands(stage, images, banded, view, 3, [&](int y0, int y1) {
        const std::size_t w = static_cast<std::size_t>(picture.width);
        EXPECT_TRUE(std::equal(banded.px.begin() + static_cast<std::ptrdiff_t>(w * y0),
                               banded.px.begin() + static_cast<std::ptrdiff_t>(w * y1),
                               image.px.begin() + static_cast<std::ptrdiff_t>(w * y0)));
        std::lock_guard<std::mutex> hold(lock);
        bands.emplace_back(y0, y1);
    });
    EXPECT_TRUE(banded.px == image.px);
    std::sort(bands.begin(), bands.end());
    for (std::size_t i = 0; i < bands.size(); ++i)
        EXPECT_EQ(i ? bands[i - 1].second : 0, bands[i].first);
    if (!bands.empty()) {
        EXPECT_EQ(picture.height, bands.back().second);
    }
    for (std::uint32_t p : image.px) {
        const std::uint32_t a = p >> 24;
        auto straight = [&](int shift) { return a ? ((p >> shift & 0xFF) * 255 + a / 2) / a : 0; };
        picture.argb.push_back(a << 24 | straight(16) << 16 | straight(8) << 8 | straight(0));
    }
    return picture;
}

TEST(SwfReference, FrameOneOfTheReferenceMoviesAsTheOtherPlayerDrewIt) {
    const char* folder = std::getenv("FLICKHOLD_FIRST_FRAME");
    ASSERT_NE(nullptr, folder) << "FLICKHOLD_FIRST_FRAME names no references";
    const char* const kCases[] = {
        "01-bg-only",       "02-solid-rects",       "03-overlap-alpha",  "04-curves-circle", "05-linear-gradient",
        "06-radial-gradient", "07-thick-lines",     "08-rotate-scale",   "09-colour-transform", "10-sprite",
        "11-shared-edge",   "12-hole-fill0-fill1",  "13-winding-rules",  "14-new-styles",    "15-odd-stage",
        "16-two-frames",    "17-sprite-no-stop",
        "18-blend-multiply-screen-lighten-darken-difference-add", "19-blend-subtract-invert-overlay-hardlight",
        "20-blend-layer-erase", "21-filter-dropshadow-blur", "22-filter-glow-bevel", "23-filter-colormatrix",
        "24-filter-group-and-chain", "25-cache-as-bitmap-opaque-bg", "26-bitmap-direct-and-fill",
        "27-hairline-scaled", "28-gradient-ratio-edge-cases", "29-mask-rotated",
        "40-four-fills-curved-edges", "44-alpha-erase-without-layer", "45-gradient-ramps-and-repeated-ratios",
        "47-bitmap-fill-quarter-smoothed", "48-text-field-border-fractional", "49-button-in-cached-sprite",
        "51-bars-on-fractional-stage", "52-stroke-pen-transformed", "54-bars-on-offset-stage",
        "60-gradient-spreads", "61-bitmap-fill-minified-unsmoothed",
    };
    for (const char* name : kCases) {
        SCOPED_TRACE(name);
        test::Picture reference;
        ASSERT_TRUE(test::ReadPng(ReadAll(std::string(folder) + "/ref/" + name + ".png"), reference));
        const test::PictureScore score =
            test::ScorePicture(reference, DrawFrame(ReadAll(std::string(folder) + "/cases/" + name + ".swf")));
        EXPECT_GE(score.within, 97.0);
        EXPECT_GE(score.withinEdge, 99.9);
    }
}

// Two drawings at once: one has the kept helper threads, the other starts
// its own. Each gets the pixels it gets alone, drawn whole.
TEST(SwfReference, DrawingsInBandsAtOnceEachGetTheirOwnPixels) {
    const char* folder = std::getenv("FLICKHOLD_FIRST_FRAME");
    ASSERT_NE(nullptr, folder) << "FLICKHOLD_FIRST_FRAME names no references";
    const char* const kCases[] = {"07-thick-lines", "26-bitmap-direct-and-fill", "29-mask-rotated", "04-curves-circle"};
    struct Drawing {
        std::string bytes;
        std::shared_ptr<SwfMovie> movie;
        std::unique_ptr<SwfStage> stage;
        SwfImages images;
        RasterImage whole, banded;
        SwfMatrix view;
    };
    std::vector<std::unique_ptr<Drawing>> drawings;
    for (const char* name : kCases) {
        auto d = std::make_unique<Drawing>();
        d->bytes = ReadAll(std::string(folder) + "/cases/" + name + ".swf");
        MemorySource source(d->bytes);
        d->movie = LoadSwfMovie(source);
        ASSERT_TRUE(d->movie) << name;
        d->stage = std::make_unique<SwfStage>(d->movie);
        const int w = d->movie->StageWidthPixels(), h = d->movie->StageHeightPixels();
        d->view = SwfMatrix::Scale(0.05, 0.05) * SwfMatrix::Translate(-d->movie->stage.xMin, -d->movie->stage.yMin);
        d->whole = RasterImage(w, h);
        SwfRasterCanvas canvas(d->whole, d->images);
        d->stage->Draw(canvas, d->view, w, h);
        d->banded = RasterImage(w, h, 0x12345678u);
        drawings.push_back(std::move(d));
    }
    for (int round = 0; round < 3; ++round) {
        std::vector<std::thread> threads;
        for (auto& d : drawings)
            threads.emplace_back([&d] { DrawStageInBands(*d->stage, d->images, d->banded, d->view, 2); });
        for (std::thread& t : threads) t.join();
        for (std::size_t i = 0; i < drawings.size(); ++i) EXPECT_TRUE(drawings[i]->banded.px == drawings[i]->whole.px) << kCases[i];
    }
}

TEST(SwfReference, LaterFramesAsTheOtherPlayerPlayedThem) {
    const char* folder = std::getenv("FLICKHOLD_FIRST_FRAME");
    ASSERT_NE(nullptr, folder) << "FLICKHOLD_FIRST_FRAME names no references";
    int pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(folder) + "/ref")) {
        const std::string name = entry.path().stem().string();
        const std::size_t mark = name.rfind("-f");
        if (entry.path().extension() != ".png" || mark == std::string::npos || mark + 2 == name.size() ||
            name.find_first_not_of("0123456789", mark + 2) != std::string::npos)
            continue;
        SCOPED_TRACE(name);
        ++pictures;
        test::Picture reference;
        ASSERT_TRUE(test::ReadPng(ReadAll(entry.path().string()), reference));
        const std::string movie = ReadAll(std::string(folder) + "/cases/" + name.substr(0, mark) + ".swf");
        ASSERT_FALSE(movie.empty());
        const test::PictureScore score = test::ScorePicture(reference, DrawFrame(movie, std::stoi(name.substr(mark + 2))));
        EXPECT_GE(score.within, 97.0);
        EXPECT_GE(score.withinEdge, 99.9);
    }
    EXPECT_GT(pictures, 0);
}

}  // namespace
}  // namespace fh
