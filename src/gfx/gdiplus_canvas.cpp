#include "gfx/gdiplus_canvas.h"

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <mutex>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace fh {

namespace {

ARGB Argb(SwfColor c) { return c.Argb(); }

// A premultiplied bitmap that GDI+ owns, filled from our pixels.
GpBitmap* BitmapFromPixels(int width, int height, const std::vector<std::uint32_t>& pixels) {
    GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppPARGB, nullptr, &bitmap) != Gdiplus::Ok) return nullptr;
    GpRect rect(0, 0, width, height);
    BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &rect, ImageLockModeWrite, PixelFormat32bppPARGB, &data) != Gdiplus::Ok) {
        GdipDisposeImage(bitmap);
        return nullptr;
    }
    for (int y = 0; y < height; ++y)
        std::copy_n(pixels.data() + static_cast<std::size_t>(y) * width, width,
                    reinterpret_cast<std::uint32_t*>(static_cast<char*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride));
    GdipBitmapUnlockBits(bitmap, &data);
    return bitmap;
}

// Reads a picture's pixels as premultiplied ARGB.
bool ReadPixels(GpBitmap* bitmap, int width, int height, std::vector<std::uint32_t>& pixels) {
    GpRect rect(0, 0, width, height);
    BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &rect, ImageLockModeRead, PixelFormat32bppPARGB, &data) != Gdiplus::Ok) return false;
    pixels.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        std::copy_n(reinterpret_cast<const std::uint32_t*>(static_cast<const char*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride),
                    width, pixels.data() + static_cast<std::size_t>(y) * width);
    GdipBitmapUnlockBits(bitmap, &data);
    return true;
}

GpBitmap* DecodePicture(const SwfBitmap& bm) {
    IStream* stream = ::SHCreateMemStream(bm.data.data(), static_cast<UINT>(bm.data.size()));
    if (!stream) return nullptr;
    GpBitmap* decoded = nullptr;
    const GpStatus status = GdipCreateBitmapFromStream(stream, &decoded);
    stream->Release();
    if (status != Gdiplus::Ok || !decoded) return nullptr;
    UINT width = 0, height = 0;
    GdipGetImageWidth(decoded, &width);
    GdipGetImageHeight(decoded, &height);
    // The decoder's size is checked again: the caps were applied to what the header said.
    std::vector<std::uint32_t> pixels;
    const bool sameSize = static_cast<int>(width) == bm.width && static_cast<int>(height) == bm.height;
    const bool read = sameSize && ReadPixels(decoded, bm.width, bm.height, pixels);
    GdipDisposeImage(decoded);
    if (!read) return nullptr;
    if (!bm.alphaData.empty()) {
        std::vector<unsigned char> alpha;
        DecodeAlphaPlane(bm, alpha);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const std::uint32_t a = alpha[i], p = pixels[i];
            auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
            pixels[i] = (a << 24) | (scale((p >> 16) & 0xFF) << 16) | (scale((p >> 8) & 0xFF) << 8) | scale(p & 0xFF);
        }
    }
    return BitmapFromPixels(bm.width, bm.height, pixels);
}

// Curves are flattened here into lines close enough that no pixel shows the
// difference (a quarter pixel at most): GDI+ then only fills polygons,
// which costs far less than its own curve handling where it is emulated.
void AddQuad(std::vector<GpPointF>& run, SwfPoint from, SwfPoint control, SwfPoint to) {
    const double dx = from.x - 2 * control.x + to.x, dy = from.y - 2 * control.y + to.y;
    const double deviation = std::sqrt(dx * dx + dy * dy) / 4;  // the curve's largest distance from its chord
    const int steps = std::clamp(static_cast<int>(std::ceil(std::sqrt(deviation / 0.25))), 1, 64);
    for (int i = 1; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps, u = 1 - t;
        run.push_back(GpPointF(static_cast<REAL>(u * u * from.x + 2 * u * t * control.x + t * t * to.x),
                               static_cast<REAL>(u * u * from.y + 2 * u * t * control.y + t * t * to.y)));
    }
}

GpPath* MakePath(const SwfPath& path, bool nonZero) {
    GpPath* gp = nullptr;
    if (GdipCreatePath(nonZero ? FillModeWinding : FillModeAlternate, &gp) != Gdiplus::Ok) return nullptr;
    std::size_t at = 0;
    SwfPoint current;
    std::vector<GpPointF> run;  // one figure's points
    auto flush = [&]() {
        if (run.size() >= 2) GdipAddPathLine2(gp, run.data(), static_cast<INT>(run.size()));
        run.clear();
    };
    auto pt = [](const SwfPoint& p) { return GpPointF(static_cast<REAL>(p.x), static_cast<REAL>(p.y)); };
    for (SwfPath::Verb verb : path.verbs) {
        switch (verb) {
        case SwfPath::Move:
            flush();
            GdipStartPathFigure(gp);
            current = path.points[at++];
            run.push_back(pt(current));
            break;
        case SwfPath::Line:
            if (run.empty()) run.push_back(pt(current));
            current = path.points[at++];
            run.push_back(pt(current));
            break;
        case SwfPath::Quad: {
            const SwfPoint c = path.points[at++];
            const SwfPoint p = path.points[at++];
            if (run.empty()) run.push_back(pt(current));
            AddQuad(run, current, c, p);
            current = p;
            break;
        }
        case SwfPath::Close:
            flush();
            GdipClosePathFigure(gp);
            break;
        }
    }
    flush();
    return gp;
}

}  // namespace

bool StartGdiplus() {
    static bool started = [] {
        GdiplusStartupInput input;
        ULONG_PTR token = 0;
        return GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return started;
}

GdiplusImages::~GdiplusImages() {
    for (auto& entry : m_images)
        if (entry.second) GdipDisposeImage(entry.second);
}

GpBitmap* GdiplusImages::Get(const SwfBitmap& bm) {
    auto it = m_images.find(&bm);
    if (it != m_images.end()) return it->second;
    GpBitmap* image = nullptr;
    if (bm.width > 0 && bm.height > 0) {
        if (bm.lossless) {
            std::vector<std::uint32_t> pixels;
            DecodeLossless(bm, pixels);
            image = BitmapFromPixels(bm.width, bm.height, pixels);
        } else {
            image = DecodePicture(bm);
        }
    }
    m_images.emplace(&bm, image);
    return image;
}

bool GdiplusSmoothsEdges() {
    static const bool smooths = [] {
        if (!StartGdiplus()) return false;
        GpBitmap* probe = nullptr;
        if (GdipCreateBitmapFromScan0(8, 8, 0, PixelFormat32bppPARGB, nullptr, &probe) != Gdiplus::Ok) return false;
        GpGraphics* graphics = nullptr;
        bool partial = false;
        if (GdipGetImageGraphicsContext(probe, &graphics) == Gdiplus::Ok) {
            GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
            GpSolidFill* brush = nullptr;
            GdipCreateSolidFill(0xFF000000, &brush);
            const GpPointF triangle[3] = {GpPointF(0, 0), GpPointF(8, 0), GpPointF(0, 7.3f)};
            GdipFillPolygon(graphics, brush, triangle, 3, FillModeAlternate);
            GdipDeleteBrush(brush);
            GdipDeleteGraphics(graphics);
            std::vector<std::uint32_t> pixels;
            ReadPixels(probe, 8, 8, pixels);
            for (std::uint32_t p : pixels) partial = partial || ((p >> 24) != 0 && (p >> 24) != 255);
        }
        GdipDisposeImage(probe);
        return partial;
    }();
    return smooths;
}

int SupersampleFor(int quality) { return GdiplusSmoothsEdges() ? 1 : std::clamp(quality, 1, 4); }

GdiplusCanvas::GdiplusCanvas(int width, int height, GdiplusImages& images, int supersample)
    : m_width(std::max(1, width)), m_height(std::max(1, height)), m_supersample(std::clamp(supersample, 1, 4)),
      m_images(images) {
    if (!StartGdiplus()) return;
    // A device-independent bitmap behind a memory DC: GDI+ draws on it as on
    // any device, and its pixels are read in place.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_width * m_supersample;
    info.bmiHeader.biHeight = -m_height * m_supersample;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_dc = ::CreateCompatibleDC(nullptr);
    if (!m_dib || !m_dc || !bits) return;
    m_bits = static_cast<std::uint32_t*>(bits);
    m_oldBitmap = ::SelectObject(m_dc, m_dib);
    if (GdipCreateFromHDC(m_dc, &m_graphics) != Gdiplus::Ok) {
        m_graphics = nullptr;
        return;
    }
    // Where GDI+ cannot smooth edges, asking it to only costs time.
    GdipSetSmoothingMode(m_graphics, GdiplusSmoothsEdges() ? SmoothingModeAntiAlias : SmoothingModeNone);
    // Pixel (x, y) covers x..x+1 and y..y+1, as in the movie's own model.
    GdipSetPixelOffsetMode(m_graphics, PixelOffsetModeHalf);
    GdipSetCompositingQuality(m_graphics, CompositingQualityHighSpeed);
}

GdiplusCanvas::~GdiplusCanvas() {
    for (GpRegion* region : m_savedClips) GdipDeleteRegion(region);
    if (m_graphics) GdipDeleteGraphics(m_graphics);
    if (m_dc) {
        if (m_oldBitmap) ::SelectObject(m_dc, m_oldBitmap);
        ::DeleteDC(m_dc);
    }
    if (m_dib) ::DeleteObject(m_dib);
}

std::vector<std::uint32_t> GdiplusCanvas::Pixels() const {
    std::vector<std::uint32_t> small;
    if (!m_bits) return small;
    if (m_graphics) GdipFlush(m_graphics, FlushIntentionSync);
    ::GdiFlush();
    const int k = m_supersample, bigWidth = m_width * k;
    small.resize(static_cast<std::size_t>(m_width) * m_height);
    // The picture is opaque (it starts from the background colour), so its
    // alpha is whole whatever the device left in that byte. With k above 1,
    // a box filter: each pixel is the mean of the k × k it covers.
    const std::uint32_t count = static_cast<std::uint32_t>(k * k);
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            std::uint32_t sum[3] = {0, 0, 0};
            for (int dy = 0; dy < k; ++dy) {
                const std::uint32_t* row = m_bits + static_cast<std::size_t>(y * k + dy) * bigWidth + static_cast<std::size_t>(x) * k;
                for (int dx = 0; dx < k; ++dx)
                    for (int c = 0; c < 3; ++c) sum[c] += (row[dx] >> (8 * c)) & 0xFF;
            }
            std::uint32_t p = 0xFF000000u;
            for (int c = 0; c < 3; ++c) p |= ((sum[c] + count / 2) / count) << (8 * c);
            small[static_cast<std::size_t>(y) * m_width + x] = p;
        }
    }
    return small;
}

void GdiplusCanvas::Paint(HDC dc, int x, int y) const {
    const std::vector<std::uint32_t> pixels = Pixels();
    if (pixels.empty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, x, y, m_width, m_height, 0, 0, 0, m_height, pixels.data(), &info, DIB_RGB_COLORS);
}

void GdiplusCanvas::Clear(SwfColor color) {
    color.a = 255;
    if (m_graphics) GdipGraphicsClear(m_graphics, Argb(color));
}

GpBrush* GdiplusCanvas::Brush(const SwfPaint& paint, std::vector<GpBitmap*>& pictures) {
    switch (paint.kind) {
    case SwfPaint::Kind::Solid: {
        GpSolidFill* brush = nullptr;
        GdipCreateSolidFill(Argb(paint.color), &brush);
        return brush;
    }
    case SwfPaint::Kind::Pixels: {
        const SwfPixels& px = *paint.pixels;
        GpBitmap* picture = BitmapFromPixels(px.width, px.height, px.argb);
        if (!picture) return nullptr;
        pictures.push_back(picture);
        GpTexture* brush = nullptr;
        if (GdipCreateTexture(picture, WrapModeClamp, &brush) != Gdiplus::Ok) return nullptr;
        GdipTranslateTextureTransform(brush, static_cast<REAL>(px.x), static_cast<REAL>(px.y), MatrixOrderAppend);
        return brush;
    }
    case SwfPaint::Kind::Bitmap: {
        GpBitmap* image = m_images.Get(*paint.bitmap);
        if (!image) return nullptr;
        GpTexture* brush = nullptr;
        // A clipped bitmap's edge pixels go on beyond it in the movie's model;
        // mirroring keeps them at the border, where clamping to nothing would fade it.
        const WrapMode wrap = paint.repeat ? WrapModeTile : WrapModeTileFlipXY;
        if (paint.colorTransform.IsIdentity()) {
            if (GdipCreateTexture(image, wrap, &brush) != Gdiplus::Ok) return nullptr;
        } else {
            const SwfColorTransform& cx = paint.colorTransform;
            ColorMatrix matrix{};
            matrix.m[0][0] = cx.rMul / 256.0f;
            matrix.m[1][1] = cx.gMul / 256.0f;
            matrix.m[2][2] = cx.bMul / 256.0f;
            matrix.m[3][3] = cx.aMul / 256.0f;
            matrix.m[4][0] = cx.rAdd / 255.0f;
            matrix.m[4][1] = cx.gAdd / 255.0f;
            matrix.m[4][2] = cx.bAdd / 255.0f;
            matrix.m[4][3] = cx.aAdd / 255.0f;
            matrix.m[4][4] = 1;
            GpImageAttributes* attributes = nullptr;
            if (GdipCreateImageAttributes(&attributes) != Gdiplus::Ok) return nullptr;
            GdipSetImageAttributesColorMatrix(attributes, ColorAdjustTypeDefault, TRUE, &matrix, nullptr,
                                              ColorMatrixFlagsDefault);
            GdipSetImageAttributesWrapMode(attributes, wrap, 0, FALSE);
            UINT w = 0, h = 0;
            GdipGetImageWidth(image, &w);
            GdipGetImageHeight(image, &h);
            const GpStatus status = GdipCreateTextureIA(image, attributes, 0, 0, static_cast<REAL>(w), static_cast<REAL>(h), &brush);
            GdipDisposeImageAttributes(attributes);
            if (status != Gdiplus::Ok) return nullptr;
            GdipSetTextureWrapMode(brush, wrap);
        }
        const SwfMatrix& m = paint.matrix;
        GpMatrix* matrix = nullptr;
        if (GdipCreateMatrix2(static_cast<REAL>(m.a), static_cast<REAL>(m.b), static_cast<REAL>(m.c),
                              static_cast<REAL>(m.d), static_cast<REAL>(m.tx), static_cast<REAL>(m.ty), &matrix) == Gdiplus::Ok) {
            GdipSetTextureTransform(brush, matrix);
            GdipDeleteMatrix(matrix);
        }
        return brush;
    }
    }
    return nullptr;
}

void GdiplusCanvas::Fill(const SwfPath& path, bool nonZero, const SwfPaint& paint) {
    if (!m_graphics) return;
    std::vector<GpBitmap*> pictures;
    GpBrush* brush = Brush(paint, pictures);
    GpPath* gp = brush ? MakePath(path, nonZero) : nullptr;
    if (gp) {
        // Gradient pixels lie one to one on the canvas: nothing to interpolate.
        const bool smooth = paint.kind == SwfPaint::Kind::Bitmap && paint.smooth;
        GdipSetInterpolationMode(m_graphics, smooth ? InterpolationModeBilinear : InterpolationModeNearestNeighbor);
        GdipFillPath(m_graphics, brush, gp);
        GdipDeletePath(gp);
    }
    if (brush) GdipDeleteBrush(brush);
    for (GpBitmap* picture : pictures) GdipDisposeImage(picture);
}

void GdiplusCanvas::Stroke(const SwfPath& path, const SwfStroke& stroke, const SwfPaint& paint) {
    if (!m_graphics) return;
    std::vector<GpBitmap*> pictures;
    GpBrush* brush = Brush(paint, pictures);
    GpPen* pen = nullptr;
    if (brush && GdipCreatePen2(brush, static_cast<REAL>(stroke.width), UnitPixel, &pen) == Gdiplus::Ok) {
        auto cap = [](SwfCap c) { return c == SwfCap::None ? LineCapFlat : c == SwfCap::Square ? LineCapSquare : LineCapRound; };
        GdipSetPenStartCap(pen, cap(stroke.startCap));
        GdipSetPenEndCap(pen, cap(stroke.endCap));
        GdipSetPenLineJoin(pen, stroke.join == SwfJoin::Bevel   ? LineJoinBevel
                                : stroke.join == SwfJoin::Miter ? LineJoinMiterClipped
                                                                : LineJoinRound);
        if (stroke.join == SwfJoin::Miter) GdipSetPenMiterLimit(pen, static_cast<REAL>(stroke.miterLimit));
        if (GpPath* gp = MakePath(path, false)) {
            GdipDrawPath(m_graphics, pen, gp);
            GdipDeletePath(gp);
        }
        GdipDeletePen(pen);
    }
    if (brush) GdipDeleteBrush(brush);
    for (GpBitmap* picture : pictures) GdipDisposeImage(picture);
}

void GdiplusCanvas::PushClip(const std::vector<std::pair<SwfPath, bool>>& paths) {
    if (!m_graphics) return;
    GpRegion* saved = nullptr;
    GdipCreateRegion(&saved);
    GdipGetClip(m_graphics, saved);
    m_savedClips.push_back(saved);
    GpRegion* mask = nullptr;
    GdipCreateRegion(&mask);
    GdipSetEmpty(mask);
    for (const auto& part : paths) {
        if (GpPath* gp = MakePath(part.first, part.second)) {
            GdipCombineRegionPath(mask, gp, CombineModeUnion);
            GdipDeletePath(gp);
        }
    }
    GdipSetClipRegion(m_graphics, mask, CombineModeIntersect);
    GdipDeleteRegion(mask);
}

void GdiplusCanvas::PopClip() {
    if (!m_graphics || m_savedClips.empty()) return;
    GdipSetClipRegion(m_graphics, m_savedClips.back(), CombineModeReplace);
    GdipDeleteRegion(m_savedClips.back());
    m_savedClips.pop_back();
}

namespace {

bool PngEncoder(CLSID& clsid) {
    UINT count = 0, size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && lstrcmpiW(codecs[i].MimeType, L"image/png") == 0) {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace

bool GdiplusCanvas::EncodePng(std::vector<unsigned char>& png) const {
    CLSID clsid;
    const std::vector<std::uint32_t> pixels = Pixels();
    if (pixels.empty() || !PngEncoder(clsid)) return false;
    GpBitmap* picture = BitmapFromPixels(m_width, m_height, pixels);
    if (!picture) return false;
    IStream* stream = nullptr;
    if (::CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) {
        GdipDisposeImage(picture);
        return false;
    }
    bool ok = GdipSaveImageToStream(picture, stream, &clsid, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(picture);
    HGLOBAL memory = nullptr;
    if (ok && ::GetHGlobalFromStream(stream, &memory) == S_OK) {
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        const auto* bytes = static_cast<const unsigned char*>(::GlobalLock(memory));
        ok = bytes != nullptr;
        if (ok) png.assign(bytes, bytes + stat.cbSize.QuadPart);
        ::GlobalUnlock(memory);
    } else {
        ok = false;
    }
    stream->Release();
    return ok;
}

SwfDrawReport DrawFrame(SwfStage& stage, GdiplusCanvas& canvas, const SwfMatrix& view) {
    const int k = canvas.Supersample();
    return stage.Draw(canvas, SwfMatrix::Scale(k, k) * view, canvas.Width() * k, canvas.Height() * k, k);
}

bool SnapshotPng(SwfStage& stage, std::vector<unsigned char>& png, bool* cut) {
    const SwfMovie& movie = stage.Movie();
    const int stageWidth = movie.StageWidthPixels(), stageHeight = movie.StageHeightPixels();
    if (stageWidth <= 0 || stageHeight <= 0) return false;
    // A stage beyond 4096 pixels a side is drawn smaller, keeping its shape.
    const double scale = std::min(1.0, 4096.0 / std::max(stageWidth, stageHeight));
    const int width = std::max(1, static_cast<int>(std::lround(stageWidth * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(stageHeight * scale)));
    GdiplusImages images;
    // Supersampling shrinks for large pictures: the drawing stays within 16 M pixels.
    const double room = std::sqrt((16.0 * 1024 * 1024) / (static_cast<double>(width) * height));
    GdiplusCanvas canvas(width, height, images, SupersampleFor(std::clamp(static_cast<int>(room), 1, 4)));
    if (!canvas.Ok()) return false;
    const SwfMatrix view = SwfMatrix::Scale(scale / 20, scale / 20) * SwfMatrix::Translate(-movie.stage.xMin, -movie.stage.yMin);
    const SwfDrawReport report = DrawFrame(stage, canvas, view);
    if (cut) *cut = report.cut;
    return canvas.EncodePng(png);
}

}  // namespace fh
