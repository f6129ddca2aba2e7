#include "gfx/movie_picture.h"

#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <algorithm>
#include <cmath>

#include "base/parallel.h"
#include "swf/swf_banded.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace fh {

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

// The picture's rows in a GDI+ bitmap of the given pixel format, or in ours.
bool CopyRows(GpBitmap* bitmap, int width, int height, PixelFormat format, ImageLockMode mode, std::uint32_t* pixels) {
    GpRect rect(0, 0, width, height);
    BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &rect, mode, format, &data) != Gdiplus::Ok) return false;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<char*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride);
        std::uint32_t* ours = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        if (mode == ImageLockModeRead) std::copy_n(row, width, ours);
        else std::copy_n(ours, width, row);
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
        ok = CopyRows(decoded, width, height, PixelFormat32bppARGB, ImageLockModeRead, argb.data());
    }
    GdipDisposeImage(decoded);
    return ok;
}

const SwfPictureDecoder& PictureDecoder() {
    static const GdiplusPictureDecoder decoder;
    return decoder;
}

SwfDrawReport DrawFrame(SwfStage& stage, SwfImages& images, RasterImage& picture, const SwfMatrix& view) {
    return DrawStageInBands(stage, images, picture, view, WorkerCount());
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
    CLSID clsid;
    if (picture.Empty() || !StartGdiplus() || !PngEncoder(clsid)) return false;
    GpBitmap* bitmap = nullptr;
    bool ok;
    if (std::all_of(picture.px.begin(), picture.px.end(), [](std::uint32_t p) { return p >> 24 == 255; })) {
        // An opaque picture (a stage always is) is written as colour alone,
        // straight from our pixels: a quarter less to compress.
        ok = GdipCreateBitmapFromScan0(picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                                       reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(picture.px.data())),
                                       &bitmap) == Gdiplus::Ok;
    } else {
        if (GdipCreateBitmapFromScan0(picture.width, picture.height, 0, PixelFormat32bppPARGB, nullptr, &bitmap) !=
            Gdiplus::Ok)
            return false;
        // Our pixels are premultiplied; GDI+ writes the file's straight colours from them.
        std::vector<std::uint32_t> pixels = picture.px;
        ok = CopyRows(bitmap, picture.width, picture.height, PixelFormat32bppPARGB, ImageLockModeWrite, pixels.data());
    }
    if (!bitmap) return false;
    IStream* stream = nullptr;
    if (!ok || ::CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK) {
        GdipDisposeImage(bitmap);
        return false;
    }
    ok = GdipSaveImageToStream(bitmap, stream, &clsid, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
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

bool SnapshotPng(SwfStage& stage, std::vector<unsigned char>& png, bool* cut) {
    const SwfMovie& movie = stage.Movie();
    const int stageWidth = movie.StageWidthPixels(), stageHeight = movie.StageHeightPixels();
    if (stageWidth <= 0 || stageHeight <= 0) return false;
    // A stage beyond 4096 pixels a side is drawn smaller, keeping its shape.
    const double scale = std::min(1.0, 4096.0 / std::max(stageWidth, stageHeight));
    const int width = std::max(1, static_cast<int>(std::lround(stageWidth * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(stageHeight * scale)));
    RasterImage picture(width, height);
    SwfImages images(&PictureDecoder());
    const SwfMatrix view = SwfMatrix::Scale(scale / 20, scale / 20) * SwfMatrix::Translate(-movie.stage.xMin, -movie.stage.yMin);
    const SwfDrawReport report = DrawFrame(stage, images, picture, view);
    if (cut) *cut = report.cut;
    return EncodePng(picture, png);
}

}  // namespace fh
