#pragma once
// A canvas that writes down what the movie renderer asks of it.

#include <string>
#include <utility>
#include <vector>

#include "swf/swf_canvas.h"

namespace fh::test {

class RecordingCanvas : public SwfCanvas {
public:
    struct Call {
        explicit Call(char k) : kind(k) {}
        char kind;  // 'C'lear, 'F'ill, 'S'troke, 'P'ush clip, 'p'op clip, 'L'ayer pushed, 'l'ayer popped
        SwfPath path;
        SwfPaint paint;
        SwfStroke stroke;
        bool nonZero = false;
        std::size_t clipParts = 0;
        SwfLayerRect layer;
        RasterBlend blend = RasterBlend::Normal;
        std::vector<RasterFilter> filters;
        SwfColorTransform colorTransform;
    };
    std::vector<Call> calls;

    void Clear(SwfColor color) override {
        Call c('C');
        c.paint.color = color;
        calls.push_back(c);
    }
    void Fill(const SwfPath& path, bool nonZero, const SwfPaint& paint) override {
        Call c('F');
        c.path = path;
        c.paint = paint;
        c.nonZero = nonZero;
        calls.push_back(c);
    }
    void Stroke(const SwfPath& path, const SwfStroke& stroke, const SwfPaint& paint) override {
        Call c('S');
        c.path = path;
        c.paint = paint;
        c.stroke = stroke;
        calls.push_back(c);
    }
    void PushClip(const std::vector<std::pair<SwfPath, bool>>& paths) override {
        Call c('P');
        c.clipParts = paths.size();
        calls.push_back(c);
    }
    void PopClip() override { calls.push_back(Call('p')); }
    void PushLayer(const SwfLayerRect& rect) override {
        Call c('L');
        c.layer = rect;
        calls.push_back(c);
    }
    void PopLayer(const SwfLayerEffects& effects) override {
        Call c('l');
        c.blend = effects.blend;
        if (effects.filters) c.filters = *effects.filters;
        c.colorTransform = effects.colorTransform;
        calls.push_back(c);
    }

    std::string Kinds() const {
        std::string out;
        for (const Call& c : calls) out += c.kind;
        return out;
    }
};

}  // namespace fh::test
