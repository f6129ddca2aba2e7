#include "gfx/movie_picture.h"

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <algorithm>
#include <cmath>

#include "base/parallel.h"
#include "gfx/png_writer.h"
#include "swf/swf_banded.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace fh {

namespace {

// The rows of a GDI+ bitmap in the given pixel format, copied into ours.
bool CopyRows(GpBitmap* bitmap, int width, int height, PixelFormat format, std::uint32_t* pixels) {
    GpRect rect(0, 0, width, height);
    BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &rect, ImageLockModeRead, format, &data) != Gdiplus::Ok) return false;
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(static_cast<char*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride);
        std::copy_n(row, width, pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width));
    }
    GdipBitmapUnlockBits(bitmap, &data);
    return true;
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

bool GdiplusPictureDecoder::Decode(const std::vector<unsigned char>& data, int width, int height,
                                   std::vector<std::uint32_t>& argb) const {
    if (!StartGdiplus() || data.empty() || width <= 0 || height <= 0) return false;
    IStream* stream = ::SHCreateMemStream(data.data(), static_cast<UINT>(data.size()));
    if (!stream) return false;
    GpBitmap* decoded = nullptr;
    const GpStatus status = GdipCreateBitmapFromStream(stream, &decoded);
    stream->Release();
    if (status != Gdiplus::Ok || !decoded) return false;
    UINT w = 0, h = 0;
    GdipGetImageWidth(decoded, &w);
    GdipGetImageHeight(decoded, &h);
    // The decoder's size is checked again: the caps were applied to what the header said.
    bool ok = static_cast<int>(w) == width && static_cast<int>(h) == height;
    if (ok) {
        argb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        ok = CopyRows(decoded, width, height, PixelFormat32bppARGB, argb.data());
    }
    GdipDisposeImage(decoded);
    return ok;
}

const SwfPictureDecoder& PictureDecoder() {
    static const GdiplusPictureDecoder decoder;
    return decoder;
}

SwfDrawReport DrawFrame(SwfStage& stage, SwfImages& images, RasterImage& picture, const SwfMatrix& view,
                        const std::function<void(int, int)>& bandDrawn) {
    return DrawStageInBands(stage, images, picture, view, WorkerCount(), bandDrawn);
}

void PaintPicture(HDC dc, int x, int y, const RasterImage& picture) {
    if (picture.Empty()) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, x, y, picture.width, picture.height, 0, 0, 0, picture.height, picture.px.data(), &info,
                        DIB_RGB_COLORS);
}

bool EncodePng(const RasterImage& picture, std::vector<unsigned char>& png) {
    // The core's writer on zlib, its parts on every core (GDI+'s encoder,
    // which wrote them before, deflates harder on one).
    PngSettings settings;
    settings.threads = WorkerCount();
    return WritePng(picture, png, settings);
}

bool SnapshotPicture(SwfStage& stage, RasterImage& picture, bool* cut, const std::function<void(int, int)>& bandDrawn) {
    const SwfMovie& movie = stage.Movie();
    const int stageWidth = movie.StageWidthPixels(), stageHeight = movie.StageHeightPixels();
    if (stageWidth <= 0 || stageHeight <= 0) return false;
    // A stage beyond 4096 pixels a side is drawn smaller, keeping its shape.
    const double scale = std::min(1.0, 4096.0 / std::max(stageWidth, stageHeight));
    const int width = std::max(1, static_cast<int>(std::lround(stageWidth * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(stageHeight * scale)));
    picture = RasterImage(width, height);
    SwfImages images(&PictureDecoder());
    const SwfMatrix view = SwfMatrix::Scale(scale / 20, scale / 20) * SwfMatrix::Translate(-movie.stage.xMin, -movie.stage.yMin);
    const SwfDrawReport report = DrawFrame(stage, images, picture, view, bandDrawn);
    if (cut) *cut = report.cut;
    return !picture.Empty();
}

bool SnapshotPng(SwfStage& stage, std::vector<unsigned char>& png, bool* cut) {
    // Each band of the frame deflated on the thread that drew it as soon as
    // it is drawn, while the other bands are still being drawn.
    RasterImage picture;
    PngBands bands(picture);
    return SnapshotPicture(stage, picture, cut, [&](int y0, int y1) { bands.Band(y0, y1); }) &&
           bands.Finish(png, WorkerCount());
}

}  // namespace fh
