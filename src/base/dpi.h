#pragma once
// Lengths drawn in pixels follow the window's resolution: a length meant
// for 96 dots an inch, at another resolution.

#include "base/muldiv.h"

namespace fh {

constexpr int kBaseDpi = 96;

// A length of `pixels` at 96 DPI, at `dpi` (rounded; a non-zero length stays at least 1).
inline int ScaleForDpi(int pixels, int dpi) {
    if (dpi <= 0 || dpi == kBaseDpi) return pixels;
    const int scaled = MulDivRound(pixels, dpi, kBaseDpi);
    if (pixels > 0 && scaled < 1) return 1;
    return scaled;
}

}  // namespace fh
