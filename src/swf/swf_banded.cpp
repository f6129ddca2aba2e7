#include "swf/swf_banded.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "base/parallel.h"
#include "base/shelf.h"
#include "raster/raster_stroke.h"

namespace fh {

namespace {

using Clock = std::chrono::steady_clock;

// Path points a recording keeps (16 bytes each); a frame with more is drawn
// as it comes, on one thread.
constexpr std::size_t kMaxRecordedPoints = std::size_t{1} << 19;
// Room for this many points stays from one drawing to the next.
constexpr std::size_t kKeptPoints = std::size_t{1} << 18;
// Bands thinner than this are not worth a thread.
constexpr int kMinBandRows = 32;

// One call the stage made.
struct Op {
    enum class Kind : std::uint8_t {
        Clear, Fill, Stroke, BeginFills, EndFills, PushClip, PopClip, PushLayer, PopLayer
    } kind;
    explicit Op(Kind k) : kind(k) {}
    std::uint32_t path = 0;  // Fill, Stroke: of the store's paths; PushClip: of its clips
    bool nonZero = false;
    SwfColor color;
    SwfPaint paint;
    SwfStroke stroke;
    SwfLayerRect rect;
    SwfLayerEffects effects;
    // What a fill or stroke may touch; all of it when not known.
    double left = -std::numeric_limits<double>::infinity(), right = std::numeric_limits<double>::infinity();
    double top = -std::numeric_limits<double>::infinity(), bottom = std::numeric_limits<double>::infinity();
};

// What recordings keep, lent from one drawing to the next:
// a thousand paths allocated and freed a frame cost a millisecond or two
// under Wine.
struct RecordingStore {
    std::vector<Op> ops;
    std::vector<SwfPath> paths;  // the first `pathsUsed` are this drawing's
    std::size_t pathsUsed = 0;
    std::deque<SwfFillStyle> gradients;  // likewise
    std::size_t gradientsUsed = 0;
    std::vector<std::vector<std::pair<SwfPath, bool>>> clips;
    std::deque<SwfFilterList> filters;
    std::size_t points = 0;  // path points kept by this drawing
    bool large = false;      // some drawing kept more than is worth keeping room for

    void Reset() {
        points = 0;
        ops.clear();
        pathsUsed = 0;
        gradientsUsed = 0;
        clips.clear();
        filters.clear();
    }
};

// The stage's calls, kept with the rows each fill or stroke may touch.
// Paints keep their own copies of what they point to that the stage may
// have built for this call alone (a morph's gradient, scaled filters).
class Recording final : public SwfCanvas {
public:
    Recording(SwfCanvas& direct, RecordingStore& store) : m_direct(direct), m_store(store) { store.Reset(); }

    void Clear(SwfColor color) override {
        if (m_passing) return m_direct.Clear(color);
        Op op(Op::Kind::Clear);
        op.color = color;
        m_store.ops.push_back(op);
    }
    void Fill(const SwfPath& path, bool nonZero, const SwfPaint& paint) override {
        if (m_passing || !Room(path)) return m_direct.Fill(path, nonZero, paint);
        Op op(Op::Kind::Fill);
        op.nonZero = nonZero;
        op.paint = Kept(paint);
        op.path = Keep(path);
        Rows(path, 1, op);
        m_store.ops.push_back(op);
    }
    void Stroke(const SwfPath& path, const SwfStroke& stroke, const SwfPaint& paint) override {
        if (m_passing || !Room(path)) return m_direct.Stroke(path, stroke, paint);
        Op op(Op::Kind::Stroke);
        op.stroke = stroke;
        op.paint = Kept(paint);
        op.path = Keep(path);
        // As far as the rasterizer lets the stroke reach.
        const SwfMatrix& s = stroke.space;
        const double width =
            stroke.local ? stroke.width * std::max(std::hypot(s.a, s.b), std::hypot(s.c, s.d)) : stroke.width;
        Rows(path, RasterStrokeReach(width, stroke.miterLimit), op);
        m_store.ops.push_back(op);
    }
    void BeginFills(const SwfLayerRect& bounds) override {
        if (m_passing) return m_direct.BeginFills(bounds);
        Op op(Op::Kind::BeginFills);
        op.rect = bounds;
        m_store.ops.push_back(op);
    }
    void EndFills() override {
        if (m_passing) return m_direct.EndFills();
        m_store.ops.push_back(Op(Op::Kind::EndFills));
    }
    void PushClip(const std::vector<std::pair<SwfPath, bool>>& paths) override {
        std::size_t points = 0;
        for (const auto& p : paths) points += p.first.points.size();
        if (m_passing || !Room(points)) return m_direct.PushClip(paths);
        Op op(Op::Kind::PushClip);
        op.path = static_cast<std::uint32_t>(m_store.clips.size());
        m_store.clips.push_back(paths);
        m_store.ops.push_back(op);
    }
    void PopClip() override {
        if (m_passing) return m_direct.PopClip();
        m_store.ops.push_back(Op(Op::Kind::PopClip));
    }
    void PushLayer(const SwfLayerRect& rect) override {
        if (m_passing) return m_direct.PushLayer(rect);
        m_layered = true;
        Op op(Op::Kind::PushLayer);
        op.rect = rect;
        m_store.ops.push_back(op);
    }
    void PopLayer(const SwfLayerEffects& effects) override {
        if (m_passing) return m_direct.PopLayer(effects);
        Op op(Op::Kind::PopLayer);
        op.effects = effects;
        if (effects.filters) op.effects.filters = &m_store.filters.emplace_back(*effects.filters);
        m_store.ops.push_back(op);
    }

    // Each band's canvas builds every clip again over every row.
    int Copies() const override { return m_copies; }
    void SetCopies(int copies) { m_copies = copies; }

    bool Layered() const { return m_layered; }
    bool Passing() const { return m_passing; }

    // Draws the calls whose rows meet [y0, y1) on `canvas`; false when the
    // clock passed `deadline` first.
    bool Replay(SwfCanvas& canvas, int y0, int y1, Clock::time_point deadline, bool timed) const {
        std::size_t n = 0;
        // Within a layer every call counts: the layer reaches past the
        // picture, and its filters may bring what lies there into view.
        int layers = 0;
        auto meets = [&](const Op& op) { return layers > 0 || (op.bottom > y0 && op.top < y1); };
        for (const Op& op : m_store.ops) {
            // Clips and layers may each take long: the clock is read before every one.
            const bool costly = op.kind == Op::Kind::PushClip || op.kind == Op::Kind::PushLayer ||
                                op.kind == Op::Kind::PopLayer;
            if (timed && (++n % 64 == 0 || costly) && Clock::now() > deadline) return false;
            switch (op.kind) {
            case Op::Kind::Clear: canvas.Clear(op.color); break;
            case Op::Kind::Fill:
                if (meets(op)) canvas.Fill(m_store.paths[op.path], op.nonZero, op.paint);
                break;
            case Op::Kind::Stroke:
                if (meets(op)) canvas.Stroke(m_store.paths[op.path], op.stroke, op.paint);
                break;
            case Op::Kind::BeginFills: canvas.BeginFills(op.rect); break;
            case Op::Kind::EndFills: canvas.EndFills(); break;
            case Op::Kind::PushClip: canvas.PushClip(m_store.clips[op.path]); break;
            case Op::Kind::PopClip: canvas.PopClip(); break;
            case Op::Kind::PushLayer:
                ++layers;
                canvas.PushLayer(op.rect);
                break;
            case Op::Kind::PopLayer:
                --layers;
                canvas.PopLayer(op.effects);
                break;
            }
        }
        return true;
    }

    // Rows at which to cut [0, height) into `bands` bands of about equal
    // work, each fill and stroke weighing its width on every row it spans.
    std::vector<int> Cuts(int width, int height, int bands) const {
        std::vector<double> work(static_cast<std::size_t>(height) + 1, 0.0);
        double total = 0;
        for (const Op& op : m_store.ops) {
            if (op.kind != Op::Kind::Fill && op.kind != Op::Kind::Stroke) continue;
            const double top = std::clamp(op.top, 0.0, static_cast<double>(height));
            const double bottom = std::clamp(op.bottom, 0.0, static_cast<double>(height));
            if (!(bottom > top)) continue;
            const double w = std::clamp(op.right - op.left, 1.0, static_cast<double>(width));
            work[static_cast<std::size_t>(top)] += w;
            work[static_cast<std::size_t>(bottom)] -= w;
            total += w * (static_cast<std::size_t>(bottom) - static_cast<std::size_t>(top));
        }
        std::vector<int> cuts{0};
        double rate = 0, sum = 0;
        for (int y = 0; y < height && static_cast<int>(cuts.size()) < bands; ++y) {
            rate += work[static_cast<std::size_t>(y)];
            sum += rate;
            if (sum >= total * static_cast<double>(cuts.size()) / bands && y + 1 - cuts.back() >= kMinBandRows &&
                height - (y + 1) >= kMinBandRows)
                cuts.push_back(y + 1);
        }
        cuts.push_back(height);
        return cuts;
    }

    // Decodes every bitmap the recording paints with, through `run`, so
    // that the drawing threads only read the decoded ones.
    void Decode(SwfImages& images, const SwfImages::Runner& run) const {
        std::vector<const SwfBitmap*> bitmaps;
        for (const Op& op : m_store.ops)
            if ((op.kind == Op::Kind::Fill || op.kind == Op::Kind::Stroke) && op.paint.bitmap)
                bitmaps.push_back(op.paint.bitmap);
        if (!bitmaps.empty()) images.Prepare(bitmaps, run);
    }

private:
    bool Room(const SwfPath& path) { return Room(path.points.size()); }
    bool Room(std::size_t points) {
        m_store.points += points;
        if (m_store.points > kKeptPoints) m_store.large = true;
        if (m_store.points <= kMaxRecordedPoints) return true;
        // Too much to keep: what is kept is drawn now, the rest as it comes.
        Replay(m_direct, 0, RasterCoverage::kMaxSide, Clock::time_point(), false);
        m_store.Reset();
        m_passing = true;
        return false;
    }
    std::uint32_t Keep(const SwfPath& path) {
        if (m_store.pathsUsed < m_store.paths.size()) {
            // Into the room an earlier drawing's path left.
            SwfPath& kept = m_store.paths[m_store.pathsUsed];
            kept.verbs.assign(path.verbs.begin(), path.verbs.end());
            kept.points.assign(path.points.begin(), path.points.end());
        } else {
            m_store.paths.push_back(path);
        }
        return static_cast<std::uint32_t>(m_store.pathsUsed++);
    }
    SwfPaint Kept(const SwfPaint& paint) {
        SwfPaint p = paint;
        if (p.gradient) {
            if (m_store.gradientsUsed < m_store.gradients.size())
                m_store.gradients[m_store.gradientsUsed] = *p.gradient;
            else
                m_store.gradients.push_back(*p.gradient);
            p.gradient = &m_store.gradients[m_store.gradientsUsed++];
        }
        return p;
    }
    // The rows (and columns) the path's points span, widened by `margin`
    // and a pixel for anti-aliasing.
    static void Rows(const SwfPath& path, double margin, Op& op) {
        if (path.points.empty() || !std::isfinite(margin)) return;
        double x0 = path.points[0].x, x1 = x0, y0 = path.points[0].y, y1 = y0;
        for (const SwfPoint& p : path.points) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
        if (!(std::isfinite(x0) && std::isfinite(x1) && std::isfinite(y0) && std::isfinite(y1))) return;
        op.left = x0 - margin - 1;
        op.right = x1 + margin + 1;
        op.top = std::floor(y0 - margin - 1);
        op.bottom = std::ceil(y1 + margin + 1);
    }

    SwfCanvas& m_direct;
    RecordingStore& m_store;
    bool m_layered = false, m_passing = false;
    int m_copies = 1;
};

// Threads kept for the process's drawings: starting a thread costs about a
// millisecond under Wine, a good part of a frame. One drawing at a time uses
// them; another drawing meanwhile starts threads of its own.
class Helpers {
public:
    static Helpers& Shared() {
        // Never destroyed: the threads wait for work until the process ends.
        static Helpers* helpers = new Helpers();
        return *helpers;
    }

    // Takes the helpers for one drawing, starting up to `helpers` of them,
    // and wakes them while the drawing is recorded: a thread woken only when
    // its band is ready starts it milliseconds late under Wine, at first on
    // its waker's core. The lock is empty when another drawing has them.
    std::unique_lock<std::mutex> Reserve(std::size_t helpers) {
        std::unique_lock<std::mutex> use(m_use, std::try_to_lock);
        if (!use.owns_lock()) return use;
        std::lock_guard<std::mutex> hold(m_lock);
        while (m_threads < helpers) {
            try {
                std::thread(&Helpers::Serve, this, m_round, m_alerts).detach();
            } catch (const std::system_error&) {
                break;
            }
            ++m_threads;
        }
        ++m_alerts;
        m_wake.notify_all();
        return use;
    }

    // Runs job(i) for every i below `count` on this thread and the helpers,
    // each taking the next i as it finishes one; none for a drawing that
    // has no bands after all (the helpers go back to sleep). Only while
    // reserved.
    void Run(std::size_t count, const std::function<void(std::size_t)>& job) {
        std::unique_lock<std::mutex> hold(m_lock);
        m_job = &job;
        m_next = 0;
        m_count = count;
        m_busy = m_threads;
        ++m_round;
        m_posted.store(m_round, std::memory_order_release);
        m_wake.notify_all();
        Take(hold);
        m_done.wait(hold, [&] { return m_busy == 0; });
        m_job = nullptr;
    }

private:
    // How long a woken helper waits awake for its band.
    static constexpr std::chrono::milliseconds kAwake{5};

    void Take(std::unique_lock<std::mutex>& hold) {
        while (m_next < m_count) {
            const std::size_t i = m_next++;
            const std::function<void(std::size_t)>& job = *m_job;
            hold.unlock();
            job(i);
            hold.lock();
        }
    }
    // Starts from the round and the wake-up before its first, so that it
    // takes part in the drawing that started it.
    void Serve(std::uint64_t seen, std::uint64_t alerts) {
        std::unique_lock<std::mutex> hold(m_lock);
        for (;;) {
            m_wake.wait(hold, [&] { return m_round != seen || m_alerts != alerts; });
            alerts = m_alerts;
            if (m_round == seen) {
                hold.unlock();
                const auto until = Clock::now() + kAwake;
                for (int n = 1; m_posted.load(std::memory_order_acquire) == seen; ++n)
                    if (n % 256 == 0 && Clock::now() > until) break;
                hold.lock();
                if (m_round == seen) continue;
            }
            seen = m_round;
            Take(hold);
            if (--m_busy == 0) m_done.notify_one();
        }
    }

    std::mutex m_use, m_lock;
    std::condition_variable m_wake, m_done;
    const std::function<void(std::size_t)>* m_job = nullptr;
    std::size_t m_next = 0, m_count = 0, m_threads = 0, m_busy = 0;
    std::uint64_t m_round = 0, m_alerts = 0;
    std::atomic<std::uint64_t> m_posted{0};  // m_round, read without the lock
};

}  // namespace

namespace {

SwfDrawReport DrawInBands(SwfStage& stage, SwfImages& images, RasterImage& picture, const SwfMatrix& view,
                          unsigned threads, const std::function<void(int, int)>& bandDrawn) {
    const auto start = Clock::now();
    RasterDeadline limit;
    limit.timed = stage.DrawTimeLimit() > 0;
    limit.at = start + std::chrono::milliseconds(stage.DrawTimeLimit());
    SwfRasterCanvas direct(picture, images);
    direct.SetDeadline(limit);
    // One thread draws as the stage goes: nothing to record.
    if (threads <= 1) {
        SwfDrawReport report = stage.Draw(direct, view, picture.width, picture.height);
        if (direct.Cut()) report.cut = true;
        return report;
    }
    Lent<RecordingStore> lent;
    RecordingStore& store = *lent;
    struct Hold {
        RecordingStore& store;
        ~Hold() {
            if (store.large) store = RecordingStore();
        }
    } hold{store};
    const int bands = static_cast<int>(std::min(threads, 8u));
    const bool tall = picture.height >= 2 * kMinBandRows;
    // The helpers wake while the frame is recorded. A drawing that ends up
    // without bands sends them back to sleep.
    struct Reserved {
        std::unique_lock<std::mutex> lock;
        bool ran = false;
        ~Reserved() {
            if (lock.owns_lock() && !ran) Helpers::Shared().Run(0, [](std::size_t) {});
        }
    } reserved;
    if (tall) reserved.lock = Helpers::Shared().Reserve(static_cast<std::size_t>(bands - 1));
    Recording recording(direct, store);
    if (tall) recording.SetCopies(bands);
    SwfDrawReport report = stage.Draw(recording, view, picture.width, picture.height);
    if (recording.Passing()) {
        if (direct.Cut()) report.cut = true;
        return report;
    }
    // On the helpers woken for the bands and this thread, when it has them:
    // threads started for it cost a millisecond each under Wine.
    recording.Decode(images, [&](std::size_t count, const std::function<void(std::size_t)>& job) {
        if (reserved.lock.owns_lock())
            Helpers::Shared().Run(count, job);
        else
            RunOnWorkers(count, threads, job);
    });
    std::vector<int> cuts = {0, picture.height};
    if (tall && !recording.Layered()) cuts = recording.Cuts(picture.width, picture.height, bands);
    if (cuts.size() <= 2) {
        if (!recording.Replay(direct, 0, picture.height, limit.at, limit.timed) || direct.Cut()) report.cut = true;
        return report;
    }
    const std::size_t count = cuts.size() - 1;
    std::vector<char> finished(count, 0);
    const std::function<void(std::size_t)> band = [&](std::size_t i) {
        try {
            SwfRasterCanvas canvas(picture, images);
            canvas.SetDeadline(limit);
            canvas.LimitRows(cuts[i], cuts[i + 1]);
            finished[i] = recording.Replay(canvas, cuts[i], cuts[i + 1], limit.at, limit.timed) && !canvas.Cut();
        } catch (const std::exception&) {
            // Out of memory, say: the band stays as it was and the drawing counts as cut.
        }
        if (bandDrawn) {
            try {
                bandDrawn(cuts[i], cuts[i + 1]);
            } catch (const std::exception&) {
                // What the listener does with the rows is its own affair.
            }
        }
    };
    if (reserved.lock.owns_lock()) {
        reserved.ran = true;
        Helpers::Shared().Run(count, band);
    } else {
        std::vector<std::thread> helpers;
        std::size_t next = 1;
        for (; next < count; ++next) {
            try {
                helpers.emplace_back(band, next);
            } catch (const std::system_error&) {
                break;  // no thread to be had: this one draws the rest
            }
        }
        band(0);
        for (std::size_t i = next; i < count; ++i) band(i);
        for (std::thread& t : helpers) t.join();
    }
    if (std::find(finished.begin(), finished.end(), 0) != finished.end()) report.cut = true;
    return report;
}

}  // namespace

SwfDrawReport DrawStageInBands(SwfStage& stage, SwfImages& images, RasterImage& picture, const SwfMatrix& view,
                               unsigned threads, const std::function<void(int, int)>& bandDrawn) {
    try {
        return DrawInBands(stage, images, picture, view, threads, bandDrawn);
    } catch (const std::bad_alloc&) {
        // A frame that needs more memory than the process can get (a 32-bit
        // one has 2 GiB) is cut where it was: the picture keeps what was drawn.
        SwfDrawReport report;
        report.cut = true;
        return report;
    }
}

}  // namespace fh
