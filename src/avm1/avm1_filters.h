#pragma once
// flash.filters: the Flash 8 filter classes. A filter keeps its parameters
// beside the object, not as properties: the prototype's getters and
// setters read them, and setting converts and bounds each as the players
// do. Clips take and give back the stage's filter structs.

#include <array>
#include <string>
#include <vector>

#include "avm1/avm1_machine.h"
#include "swf/swf_filters.h"

namespace fh::avm1 {

enum class FilterClass { Blur, DropShadow, Glow, Bevel, GradientGlow, GradientBevel, ColorMatrix, Convolution,
                         DisplacementMap };

// Every parameter of every class, stored converted.
enum FilterField : int {
    kFDistance, kFAngle, kFColor, kFAlpha, kFBlurX, kFBlurY, kFStrength, kFQuality, kFHighlightColor,
    kFHighlightAlpha, kFShadowColor, kFShadowAlpha, kFMatrixX, kFMatrixY, kFDivisor, kFBias, kFComponentX,
    kFComponentY, kFScaleX, kFScaleY, kFInner, kFKnockout, kFHideObject, kFPreserveAlpha, kFClamp, kFType,
    kFMode, kFMapBitmap, kFMapPoint, kFColors, kFAlphas, kFRatios, kFMatrix, kFilterFieldCount
};

// The lists (kFColors..kFMatrix) are copied in and out: changing an array
// a getter gave leaves the filter as it is.
constexpr int kFirstListField = kFColors;

class FilterData final : public NativeData {
public:
    FilterClass cls = FilterClass::Blur;
    std::array<Value, kFilterFieldCount> values;
    std::array<std::vector<double>, kFilterFieldCount - kFirstListField> lists;

    std::vector<double>& List(int field) { return lists[field - kFirstListField]; }
    const std::vector<double>& List(int field) const { return lists[field - kFirstListField]; }
    void VisitRefs(void (*visit)(Heap&, Object*), Heap& heap) override {
        for (const Value& v : values)
            if (Object* o = v.Obj()) visit(heap, o);
    }
};

// The filter data of an object, if it is one.
inline const FilterData* FilterOf(const Value& v) { return v.Obj() ? v.Obj()->NativeAs<FilterData>() : nullptr; }

// A new object of the filter's class (as the movie has flash.filters now)
// carrying a copy of the data.
Value NewFilterObject(Machine& m, const FilterData& data);

// The stage's filter for a filter's data; false for one the stage does not
// draw (a displacement map).
bool ToRasterFilter(const FilterData& data, RasterFilter& out);
// The data a stage filter stands for in script units.
FilterData FromRasterFilter(const RasterFilter& filter);

}  // namespace fh::avm1
