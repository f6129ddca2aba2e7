// The stage's geometry for scripts: drawings, boxes, transforms, hit tests
// and the pointer.

#include "avm1/avm1_stage.h"

namespace fh::avm1 {

SwfDrawnShape* StageScripts::Drawing(TimelineId t) { return m_stage.TimelineDrawing(t); }

void StageScripts::DrawingChanged(TimelineId) { m_stage.TimelineDrawingChanged(); }

std::shared_ptr<const SwfBitmap> StageScripts::KeepBitmap(int width, int height, const std::vector<std::uint8_t>& rgba) {
    return m_stage.KeepBitmap(width, height, rgba);
}

SwfBox StageScripts::Bounds(TimelineId t, bool strokes) { return m_stage.TimelineBounds(t, strokes); }

bool StageScripts::StageMatrix(TimelineId t, SwfMatrix& m) { return m_stage.TimelineMatrix(t, m); }

bool StageScripts::HitTest(TimelineId t, double x, double y, bool shape) {
    return m_stage.TimelineHitTest(t, x, y, shape);
}

bool StageScripts::PointerIn(TimelineId t, SwfPoint& at) {
    SwfMatrix m, inverse;
    if (!m_stage.TimelineMatrix(t, m) || !m.Invert(inverse)) return false;
    const SwfPoint p = inverse.Apply(m_stage.Pointer().x, m_stage.Pointer().y);
    at = {p.x / 20, p.y / 20};
    return true;
}

double StageScripts::Mouse(TimelineId t, bool x) {
    SwfPoint at;
    if (!PointerIn(t, at)) return 0;
    return x ? at.x : at.y;
}

}  // namespace fh::avm1
