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

double StageScripts::Mouse(TimelineId t, bool x) {
    SwfMatrix m, inverse;
    if (!m_stage.TimelineMatrix(t, m) || !m.Invert(inverse)) return 0;
    const SwfPoint pointer = m_stage.Pointer();
    const SwfPoint p = inverse.Apply(pointer.x, pointer.y);
    return (x ? p.x : p.y) / 20;
}

}  // namespace fh::avm1
