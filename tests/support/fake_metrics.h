#pragma once
// Device and system values for the style rules, fixed so results are exact:
// 96 pixels per inch, a 13-pixel font whose "x" is 7 pixels high, and system
// colour i reading 0x010101 * i.

#include "html/html_style.h"

namespace fh::test {

class FakeMetrics : public HtmlMetrics {
public:
    int ppi = 96;
    int textHeight = 13;
    int xHeight = 7;
    int PixelsPerInchY() const override { return ppi; }
    int TextHeight() const override { return textHeight; }
    int XHeight() const override { return xHeight; }
    HtmlColor SystemColor(int index) const override { return 0x010101u * static_cast<unsigned>(index); }
};

}  // namespace fh::test
