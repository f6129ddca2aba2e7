#pragma once
// Where a tip goes and what shape it has: the twelve placement codes, the
// flips and slides that keep the window on the virtual screen, the anchor
// point inside the window, and the balloon outline (a rounded rectangle and
// the anchor triangle whose tip lies on the point).

namespace fh {

struct TipPoint {
    int x = 0, y = 0;
    bool operator==(const TipPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const TipPoint& o) const { return !(*this == o); }
};

struct TipRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const TipRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// The balloon's or the rectangle's measures.
struct TipGeometry {
    int cornerWidth = 16, cornerHeight = 16;
    int marginX = 12, marginY = 12;
    int anchorWidth = 12, anchorHeight = 16, anchorMargin = 16;
    static TipGeometry Balloon() { return TipGeometry{}; }
    static TipGeometry Rectangle() { return TipGeometry{0, 0, 3, 1, 0, 0, 0}; }
    // These measures, made for 96 DPI, at `dpi`.
    TipGeometry Scaled(int dpi) const;
};

// What the tip window draws around its balloon, in pixels at 96 DPI by default.
struct TipDecoration {
    int shadowX = 6, shadowY = 6;
    int blurWidth = 7, blurHeight = 7;
    int borderWidth = 1, borderHeight = 1;
    TipDecoration Scaled(int dpi) const;
};

struct TipPlacement {
    int code = 16;
    TipPoint anchor;   // window-relative; the window goes to P - anchor
    TipRect window;    // window-relative, (0, 0) at its top-left
    int shiftX = 0, shiftY = 0;  // how far the body and text rectangles move inside the window
};

// Places a body of bodyWidth x bodyHeight pointing at p within the screen
// bounds. Each check runs once: a code the horizontal check flipped is not
// checked horizontally again; the vertical check looks at its result.
TipPlacement PlaceTip(int code, TipPoint p, int bodyWidth, int bodyHeight, const TipGeometry& geometry,
                      const TipRect& screen);

// The outline: the rounded rectangle (right and bottom exclusive, corners of
// the geometry) and, when there is an anchor, the triangle.
struct TipShape {
    TipRect body;
    bool hasAnchor = false;
    TipPoint triangle[3];
};
TipShape BuildTipShape(int code, TipPoint anchor, int windowWidth, int windowHeight, const TipGeometry& geometry);

}  // namespace fh
