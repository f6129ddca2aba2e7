#pragma once
// An edit text placed on the stage: its own copy of the field, which
// scripts change, and the layout it is drawn with, made again only when
// the field has changed since.

#include "swf/swf_movie.h"
#include "swf/swf_text_layout.h"

namespace fh {

class SwfEditField {
public:
    SwfEditField(const SwfMovie& movie, const SwfEditText& field) : m_movie(movie), field(field) {}

    const SwfText& Shown() {
        Update();
        return m_shown;
    }
    const SwfTextMetrics& Metrics() {
        Update();
        return m_metrics;
    }
    void Changed() { m_dirty = true; }

private:
    void Update() {
        if (!m_dirty) return;
        m_dirty = false;
        m_metrics = LayOutEditText(m_movie, field, m_shown, kMaxGlyphs);
    }

    // Glyphs one field places at most: a screenful of small text many times over.
    static constexpr std::uint32_t kMaxGlyphs = 100000;
    const SwfMovie& m_movie;

public:
    SwfEditText field;

private:
    SwfText m_shown;
    SwfTextMetrics m_metrics;
    bool m_dirty = true;
};

}  // namespace fh
