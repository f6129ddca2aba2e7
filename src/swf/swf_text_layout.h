#pragma once
// An edit text's content laid out in lines of glyphs from the movie's
// embedded fonts, as the parser draws a field's first text and the stage
// draws it again whenever a script changes it. A field without embedded
// outlines (a device font) places no glyphs; its lines are measured from
// the font height alone.

#include <cstdint>

#include "swf/swf_edit_text.h"
#include "swf/swf_movie.h"

namespace fh {

// Lays out the field into `out` (runs in the field's space, its bounds and
// box colours), placing at most `maxGlyphs` glyphs. An auto-sized field's
// bounds grow or shrink to its text first.
SwfTextMetrics LayOutEditText(const SwfMovie& movie, SwfEditText& field, SwfText& out, std::uint32_t maxGlyphs);

// The embedded font of that family in the given weight and slant (the movie
// embeds each as a font of its own with the same name); `fallback` when none.
std::uint16_t SwfFaceFont(const SwfMovie& movie, std::uint16_t fallback, const std::string& family, bool bold,
                          bool italic);

}  // namespace fh
