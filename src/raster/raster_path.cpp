#include "raster/raster_path.h"

#include <cmath>

namespace fh {

bool RasterMatrix::Invert(RasterMatrix& out) const {
    const double det = a * d - b * c;
    if (det == 0 || !std::isfinite(det)) return false;
    RasterMatrix inv;
    inv.a = d / det;
    inv.b = -b / det;
    inv.c = -c / det;
    inv.d = a / det;
    inv.tx = -(inv.a * tx + inv.c * ty);
    inv.ty = -(inv.b * tx + inv.d * ty);
    // A determinant near the smallest doubles gives infinite entries.
    for (double v : {inv.a, inv.b, inv.c, inv.d, inv.tx, inv.ty})
        if (!std::isfinite(v)) return false;
    out = inv;
    return true;
}

RasterMatrix RasterMatrix::After(const RasterMatrix& first) const {
    RasterMatrix m;
    m.a = a * first.a + c * first.b;
    m.b = b * first.a + d * first.b;
    m.c = a * first.c + c * first.d;
    m.d = b * first.c + d * first.d;
    m.tx = a * first.tx + c * first.ty + tx;
    m.ty = b * first.tx + d * first.ty + ty;
    return m;
}

void RasterPath::AddRect(double x, double y, double width, double height) {
    MoveTo(x, y);
    LineTo(x + width, y);
    LineTo(x + width, y + height);
    LineTo(x, y + height);
    ClosePath();
}

void RasterPath::Transform(const RasterMatrix& m) {
    for (RasterPoint& p : points) p = m.Apply(p);
}

}  // namespace fh
