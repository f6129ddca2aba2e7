#include "tooltip/tip_placement.h"

#include "base/dpi.h"

namespace fh {

TipGeometry TipGeometry::Scaled(int dpi) const {
    return {ScaleForDpi(cornerWidth, dpi), ScaleForDpi(cornerHeight, dpi), ScaleForDpi(marginX, dpi),
            ScaleForDpi(marginY, dpi),     ScaleForDpi(anchorWidth, dpi),  ScaleForDpi(anchorHeight, dpi),
            ScaleForDpi(anchorMargin, dpi)};
}

TipDecoration TipDecoration::Scaled(int dpi) const {
    return {ScaleForDpi(shadowX, dpi),     ScaleForDpi(shadowY, dpi),     ScaleForDpi(blurWidth, dpi),
            ScaleForDpi(blurHeight, dpi), ScaleForDpi(borderWidth, dpi), ScaleForDpi(borderHeight, dpi)};
}

namespace {

int Side(int code) { return code & 0x30; }     // 0 top, 16 bottom, 32 left, 48 right
int Position(int code) { return code & 0x0F; }  // 0 near start, 1 near end, 2 centre

// Unknown codes are taken as the default direction.
int Normalise(int code) {
    const int position = Position(code);
    if ((code & ~0x3F) != 0 || position > 2) return 16;
    return code;
}

}  // namespace

TipPlacement PlaceTip(int code, TipPoint p, int bodyWidth, int bodyHeight, const TipGeometry& g, const TipRect& screen) {
    TipPlacement out;
    int d = Normalise(code);
    const int L = screen.left, T = screen.top, R = screen.right, B = screen.bottom;
    const int AM = g.anchorMargin;
    const bool vertical = Side(d) <= 16;  // anchor on the top or bottom side
    const int ww = bodyWidth + (vertical ? 0 : g.anchorHeight);
    const int wh = bodyHeight + (vertical ? g.anchorHeight : 0);

    // Horizontal check.
    switch (d) {
    case 32: case 33: case 34:
        if (p.x + ww > R) d += 16;
        break;
    case 48: case 49: case 50:
        if (p.x - ww < L) d -= 16;
        break;
    case 0: case 16:
        if (p.x + ww - AM > R) d += (p.x - ww + AM < L) ? 2 : 1;
        break;
    case 1: case 17:
        if (p.x + AM - ww < L) d += (p.x - AM + ww > R) ? 1 : -1;
        break;
    case 2: case 18:
        if (p.x - L <= AM) d -= 2;
        else if (R - p.x <= AM) d -= 1;
        break;
    default:
        break;
    }
    // Vertical check, on the code the horizontal check left.
    switch (d) {
    case 0: case 1: case 2:
        if (p.y + wh > B) d += 16;
        break;
    case 16: case 17: case 18:
        if (p.y - wh < T) d -= 16;
        break;
    case 32: case 48:
        if (p.y + wh - AM > B) d += (p.y - wh + AM < T) ? 2 : 1;
        break;
    case 33: case 49:
        if (p.y + AM - wh < T) d += (p.y - AM + wh > B) ? 1 : -1;
        break;
    case 34: case 50:
        if (p.y - T <= AM) d -= 2;
        else if (B - p.y <= AM) d -= 1;
        break;
    default:
        break;
    }

    // The anchor point in the window.
    TipPoint a;
    if (Side(d) <= 16) {
        a.y = Side(d) == 0 ? 0 : wh;
        if (Position(d) == 0) a.x = AM;
        else if (Position(d) == 1) a.x = ww - AM;
        else {
            // A centred body slides along the screen's edge, the anchor still
            // on P; the window's own edges decide (an odd width has one more
            // pixel right of the middle than left of it).
            a.x = ww / 2;
            const int left = p.x - a.x;
            if (left + ww <= R && left < L) a.x -= L - left;
            else if (left + ww > R && left >= L) a.x += left + ww - R;
        }
    } else {
        a.x = Side(d) == 32 ? 0 : ww;
        if (Position(d) == 0) a.y = AM;
        else if (Position(d) == 1) a.y = wh - AM;
        else {
            a.y = wh / 2;
            const int top = p.y - a.y;
            if (top + wh <= B && top < T) a.y -= T - top;
            else if (top + wh > B && top >= T) a.y += top + wh - B;
        }
    }
    // Keeping on the screen.
    switch (d) {
    case 0: case 2: case 16: case 18:
        if (p.x - a.x < L) a.x = p.x - L;
        break;
    case 1: case 17:
        if (p.x - a.x + ww > R) a.x = p.x - R + ww;
        break;
    case 32: case 34: case 48: case 50:
        if (p.y - a.y < T) a.y = p.y - T;
        break;
    case 33: case 49:
        if (p.y - a.y + wh > B) a.y = p.y - B + wh;
        break;
    default:
        break;
    }
    out.code = d;
    out.anchor = a;
    out.window = TipRect{0, 0, ww, wh};
    if (d <= 2) out.shiftY = g.anchorHeight;
    else if (d >= 32 && d <= 34) out.shiftX = g.anchorHeight;
    return out;
}

TipShape BuildTipShape(int code, TipPoint a, int ww, int wh, const TipGeometry& g) {
    TipShape shape;
    shape.body = TipRect{0, 0, ww, wh};
    const int AH = g.anchorHeight, AW = g.anchorWidth, AM = g.anchorMargin;
    const int side = code & 0x30, position = code & 0x0F;
    if (side == 0) shape.body.top = AH;
    else if (side == 16) shape.body.bottom = wh - AH;
    else if (side == 32) shape.body.left = AH;
    else shape.body.right = ww - AH;
    if (AH == 0 || AW == 0) return shape;
    shape.hasAnchor = true;
    const bool horizontalSide = side <= 16;
    const int end = horizontalSide ? ww : wh;
    const int along = horizontalSide ? a.x : a.y;
    int b1, b2;
    if (position == 0) {
        b1 = AM;
        b2 = b1 + AW;
    } else if (position == 1) {
        b1 = end - AM;
        b2 = b1 - AW;
    } else {
        b1 = along - AW / 2;
        b2 = b1 + AW;
    }
    const int base = side == 0 ? shape.body.top : side == 16 ? shape.body.bottom : side == 32 ? shape.body.left : shape.body.right;
    shape.triangle[0] = a;
    if (horizontalSide) {
        shape.triangle[1] = TipPoint{b1, base};
        shape.triangle[2] = TipPoint{b2, base};
    } else {
        shape.triangle[1] = TipPoint{base, b1};
        shape.triangle[2] = TipPoint{base, b2};
    }
    return shape;
}

}  // namespace fh
