#include "player/playback_pacer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fh {
namespace {

// Three seconds of a 30 fps movie whose drawings take `drawMs`, give or take
// two (as measured drawings do): the timer asks every period, and a tick
// that falls while a drawing lasts comes when it ends (as WM_TIMER does).
struct Played {
    int frames = 0, drawn = 0;
};
Played PlayThreeSeconds(std::uint32_t drawMs) {
    PlaybackPacer pacer(30, 0);
    Played played;
    std::uint32_t now = 0, nextTick = pacer.Period();
    while (nextTick <= 3000) {
        now = std::max(now, nextTick);
        nextTick += pacer.Period();
        const PlaybackPacer::Tick tick = pacer.OnTick(now);
        played.frames += tick.frames;
        if (!tick.draw) continue;
        const std::uint32_t took = played.drawn % 2 ? drawMs + 2 : drawMs - 2;
        pacer.Drew(now, now + took);
        now += took;
        ++played.drawn;
    }
    return played;
}

TEST(PlaybackPacer, EveryFrameIsDrawnWhileDrawingKeepsUpAndFramesAreSkippedOnlyToCatchUp) {
    const struct {
        std::uint32_t drawMs;
        int leastDrawn, mostDrawn;
    } cases[] = {
        {8, 90, 90},   // a quarter of the period: every frame
        {20, 90, 90},  // well within it: every frame still
        {40, 25, 60},  // longer than a period: behind, so frames are skipped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.drawMs);
        const Played played = PlayThreeSeconds(c.drawMs);
        // The movie stays in step with the clock whatever the drawing takes.
        EXPECT_EQ(90, played.frames);
        EXPECT_GE(played.drawn, c.leastDrawn);
        EXPECT_LE(played.drawn, c.mostDrawn);
    }
    // Nothing due, nothing drawn.
    PlaybackPacer pacer(30, 1000);
    EXPECT_FALSE(pacer.OnTick(1020).draw);
    ASSERT_TRUE(pacer.OnTick(1033).draw);
    pacer.Drew(1033, 1034);
    EXPECT_FALSE(pacer.OnTick(1040).draw);
}

TEST(PlaybackPacer, FramesFarBehindAreDroppedAndTheClockMayWrap) {
    PlaybackPacer pacer(25, 0xFFFFFF00u);
    // A second late: a few frames are caught up, the rest dropped, and the
    // next falls due a period after now (across the clock's wrap).
    const PlaybackPacer::Tick late = pacer.OnTick(0xFFFFFF00u + 1000);
    EXPECT_EQ(PlaybackPacer::kMostFramesPerTick, late.frames);
    EXPECT_TRUE(late.draw);
    const std::uint32_t now = 0xFFFFFF00u + 1000;
    EXPECT_EQ(0, pacer.OnTick(now + 39).frames);
    EXPECT_EQ(1, pacer.OnTick(now + 40).frames);
    pacer.Restart(now + 500);
    EXPECT_EQ(0, pacer.OnTick(now + 520).frames);
    EXPECT_EQ(1, pacer.OnTick(now + 540).frames);
}

}  // namespace
}  // namespace fh
