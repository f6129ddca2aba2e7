#include "player/playback_pacer.h"

#include <gtest/gtest.h>

namespace fh {
namespace {

TEST(PlaybackPacer, DrawingTakesAQuarterOfTheTimeAndFramesStayInStep) {
    PlaybackPacer pacer(30, 1000);
    ASSERT_EQ(33u, pacer.Period());
    EXPECT_EQ(0, pacer.OnTick(1020).frames);
    PlaybackPacer::Tick tick = pacer.OnTick(1033);
    EXPECT_EQ(1, tick.frames);
    ASSERT_TRUE(tick.draw);
    // A drawing of 20 ms: the next may begin 80 ms after this one began.
    pacer.Drew(1033, 1053);
    tick = pacer.OnTick(1066);
    EXPECT_EQ(1, tick.frames);
    EXPECT_FALSE(tick.draw);
    EXPECT_FALSE(pacer.OnTick(1099).draw);
    tick = pacer.OnTick(1132);
    EXPECT_EQ(1, tick.frames);
    EXPECT_TRUE(tick.draw);  // the frames in between were moved through
    pacer.Drew(1132, 1132);
    // Quick drawings: every frame is drawn; nothing due, nothing drawn.
    EXPECT_TRUE(pacer.OnTick(1165).draw);
    pacer.Drew(1165, 1166);
    EXPECT_FALSE(pacer.OnTick(1170).draw);
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
