#include "player/playback_pacer.h"

#include <algorithm>

namespace fh {

PlaybackPacer::PlaybackPacer(double framesPerSecond, std::uint32_t now, double drawShare)
    : m_period(static_cast<std::uint32_t>(1000.0 / std::clamp(framesPerSecond, 1.0, 100.0))),
      m_share(std::clamp(drawShare, 0.05, 1.0)),
      m_frameDue(now + m_period),
      m_drawAllowed(now) {}

void PlaybackPacer::Restart(std::uint32_t now) {
    m_frameDue = now + m_period;
    m_drawAllowed = now;
    m_behind = false;
}

PlaybackPacer::Tick PlaybackPacer::OnTick(std::uint32_t now) {
    Tick tick;
    while (Reached(now, m_frameDue) && tick.frames < kMostFramesPerTick) {
        ++tick.frames;
        m_frameDue += m_period;
    }
    // Further behind than a tick may catch up: the movie's clock jumps to now.
    if (Reached(now, m_frameDue)) m_frameDue = now + m_period;
    m_behind = m_behind || tick.frames > 0;
    tick.draw = m_behind && Reached(now, m_drawAllowed);
    return tick;
}

void PlaybackPacer::Drew(std::uint32_t start, std::uint32_t end) {
    const std::uint32_t took = end - start;
    m_behind = false;
    m_drawAllowed = took <= m_period ? start : start + static_cast<std::uint32_t>(took / m_share);
}

}  // namespace fh
