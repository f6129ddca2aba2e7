#pragma once
// A movie playing: the display list of its root timeline and of every
// sprite on it, built frame after frame in order, and drawn on a canvas.
// Frame N is reached from frame N-1 (or from frame 1 by restarting); there
// is no going back. Nesting, live objects and the work of one drawing are
// capped, so a movie that places itself inside itself ends, drawn as far as
// the caps allow.

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/swf_canvas.h"
#include "swf/swf_gradient.h"
#include "swf/swf_movie.h"

namespace fh {

struct SwfStageLimits {
    int maxNesting = 32;                  // sprites within sprites, buttons within buttons
    std::uint32_t maxObjects = 20000;     // live display objects, sprites' included
    std::uint64_t maxPoints = 4000000;    // path points drawn in one frame
    std::uint64_t maxGradientPixels = 8u << 20;  // gradient pixels computed in one frame (or 16 canvases, if more)
    int maxDrawMs = 0;                    // the time one drawing may take (0: no limit)
    // Layers (blend modes, filters, bitmap caches) in one drawing, in
    // canvases: their pixels, filter margins included, and those pixels
    // times the passes filters make over them.
    std::uint32_t maxLayerPixels = 16;
    std::uint32_t maxLayerWork = 64;
};

struct SwfDrawReport {
    std::uint32_t objects = 0;  // shapes, texts and bitmaps drawn
    bool cut = false;           // a cap ended the drawing early
};

class SwfStage {
public:
    explicit SwfStage(std::shared_ptr<const SwfMovie> movie, const SwfStageLimits& limits = SwfStageLimits());
    ~SwfStage();
    SwfStage(const SwfStage&) = delete;
    SwfStage& operator=(const SwfStage&) = delete;

    // Back to frame 1, as when the movie starts.
    void Restart();
    // The next frame of the root timeline (after the last, frame 1 again).
    // A frame that holds with stop() is not left unless `pastStops`.
    void Advance(bool pastStops = false);
    int Frame() const;  // 1-based
    int FrameCount() const;
    bool Stopped() const;
    SwfColor Background() const { return m_background; }
    const SwfMovie& Movie() const { return *m_movie; }
    // True when the display list changed since the last call (a frame that
    // places, moves or removes nothing needs no new drawing).
    bool TakeChanged() {
        const bool changed = m_changed;
        m_changed = false;
        return changed;
    }
    // True when a cap stopped the display list from growing.
    bool Capped() const { return m_capped; }
    // The time one drawing may take from now on, in milliseconds (0: no limit).
    void SetDrawTimeLimit(int ms) { m_limits.maxDrawMs = ms; }

    // Draws the frame: `view` maps the stage's twips to canvas pixels; the
    // canvas is width × height pixels. Lines are never thinner than
    // `hairline` canvas pixels (a canvas drawn larger to be scaled down
    // passes its factor).
    SwfDrawReport Draw(SwfCanvas& canvas, const SwfMatrix& view, int width, int height, double hairline = 1.0);

    struct Instance;
    struct Object;

private:
    friend class SwfDrawing;
    void Execute(Instance& instance, int frame, int nesting);
    void StepChildren(Instance& instance, int nesting);
    void StepSprite(Instance& sprite, int nesting);
    void Release(const Object& object);
    void PlaceCharacter(Object& object, std::uint16_t character, int nesting);
    const SwfOutline& ShapeOutline(std::uint32_t index);
    const SwfOutline& GlyphOutline(std::uint32_t font, std::uint32_t glyph);

    std::shared_ptr<const SwfMovie> m_movie;
    SwfStageLimits m_limits;
    std::unique_ptr<Instance> m_root;
    SwfColor m_background{255, 255, 255, 255};
    std::uint32_t m_objects = 0;
    bool m_capped = false;
    bool m_changed = true;
    std::vector<std::unique_ptr<SwfOutline>> m_shapeOutlines;
    std::vector<std::vector<std::unique_ptr<SwfOutline>>> m_glyphOutlines;
};

}  // namespace fh
