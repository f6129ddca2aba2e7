// Scripts' Flash 8 display settings of a timeline's object: its filters,
// blend mode, bitmap caching and whole matrix.

#include <algorithm>
#include <cmath>
#include <limits>

#include "swf/swf_display_list.h"

namespace fh {

bool SwfStage::TimelineEffects(SwfTimelineId id, SwfFilterList& filters, RasterBlend& blend,
                               bool& cacheAsBitmap) const {
    const Instance* instance = Timeline(id);
    const Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder) return false;
    filters = holder->filters ? *holder->filters : SwfFilterList();
    blend = holder->blend;
    cacheAsBitmap = holder->cacheAsBitmap;
    return true;
}

void SwfStage::SetTimelineFilters(SwfTimelineId id, const SwfFilterList& filters) {
    Instance* instance = Timeline(id);
    Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder) return;
    SwfFilterList kept(filters.begin(), filters.begin() + std::min(filters.size(), kSwfMaxFilters));
    holder->filters = kept.empty() ? nullptr : std::make_shared<const SwfFilterList>(std::move(kept));
    holder->effectsByScript = true;
    m_changed = true;
}

void SwfStage::SetTimelineBlend(SwfTimelineId id, RasterBlend blend) {
    Instance* instance = Timeline(id);
    Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder) return;
    holder->blend = blend;
    holder->effectsByScript = true;
    m_changed = true;
}

void SwfStage::SetTimelineCacheAsBitmap(SwfTimelineId id, bool cache) {
    Instance* instance = Timeline(id);
    Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder) return;
    holder->cacheAsBitmap = cache;
    holder->effectsByScript = true;
    m_changed = true;
}

bool SwfStage::TimelineLocalMatrix(SwfTimelineId id, SwfMatrix& matrix) const {
    const Instance* instance = Timeline(id);
    const Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder) return false;
    matrix = holder->matrix;
    return true;
}

void SwfStage::SetTimelineLocalMatrix(SwfTimelineId id, const SwfMatrix& matrix) {
    Instance* instance = Timeline(id);
    Object* holder = instance ? Holder(*instance) : nullptr;
    if (!holder) return;
    // Positions past any picture are kept as far as the property setters keep them.
    constexpr double kFar = 2e8;
    SwfMatrix m = matrix;
    for (double* v : {&m.a, &m.b, &m.c, &m.d, &m.tx, &m.ty})
        *v = std::isfinite(*v) ? std::clamp(*v, -kFar, kFar) : 0;
    holder->matrix = m;
    holder->rotation = std::numeric_limits<double>::quiet_NaN();
    holder->transformedByScript = true;
    m_changed = true;
}

}  // namespace fh
