#pragma once
// When the player moves a movie on and when it draws: frames fall due at
// the movie's rate and are played through in order, a few at a tick; those
// further behind are dropped, never queued. Every frame is drawn while a
// drawing fits in the frame period. A drawing that does not is behind the
// movie: then drawing may take no more than a share of the time (half by
// default), so that the window still answers: after such a drawing of d
// milliseconds the next waits until d / share has passed since it began,
// and the frames in between are moved through without a picture.
// Times are milliseconds of a clock that wraps (GetTickCount).

#include <cstdint>

namespace fh {

class PlaybackPacer {
public:
    static constexpr int kMostFramesPerTick = 4;

    PlaybackPacer(double framesPerSecond, std::uint32_t now, double drawShare = 0.5);

    std::uint32_t Period() const { return m_period; }

    struct Tick {
        int frames = 0;     // frames to move on
        bool draw = false;  // whether to draw the frame reached
    };
    Tick OnTick(std::uint32_t now);
    // A drawing that began at `start` and ended at `end`.
    void Drew(std::uint32_t start, std::uint32_t end);
    // Starts again from `now` (after a pause or a jump to frame 1).
    void Restart(std::uint32_t now);

private:
    static bool Reached(std::uint32_t now, std::uint32_t when) { return static_cast<std::int32_t>(now - when) >= 0; }

    std::uint32_t m_period;
    double m_share;
    std::uint32_t m_frameDue;
    std::uint32_t m_drawAllowed;
    bool m_behind = false;  // frames moved on since the last drawing
};

}  // namespace fh
