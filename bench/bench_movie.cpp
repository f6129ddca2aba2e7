// The built-in movie renderer: frame 1 of a large movie, steady playback of
// a busy animation, and hostile movies that claim more than the caps allow.

#include <windows.h>
#include <objidl.h>
#include <psapi.h>

#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "actions/movie_snapshot.h"
#include "bench/bench_util.h"
#include "discovery/loaders.h"
#include "win/platform.h"
#include "gfx/movie_picture.h"
#include "player/movie_card.h"
#include "player/movie_file.h"
#include "player/playback_pacer.h"
#include "support/swf_shapes.h"
#include "support/swf_writer.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"

#include "../tools/sample_files.h"

namespace fh::bench {

namespace {

using Tags = std::vector<std::pair<unsigned, std::string>>;

// A blob with eight curved sides, filled solid or with a radial gradient, outlined.
std::pair<unsigned, std::string> Blob(std::uint16_t id, int seed) {
    test::ShapeWriter s(3);
    if (seed % 3 == 0)
        s.Gradient(0x12, test::MatrixRecord(0.05, 0, 0, 0.05, 0, 0), {{0, 0xFFFFFFFF}, {255, 0x3060C0FF}});
    else
        s.Solid(0x10204080u + static_cast<std::uint32_t>(seed) * 0x01020300u);
    s.Line(40, 0x000000FF);
    s.Styles(-1, 1, 1);
    const double r = 600 + (seed % 7) * 60;
    s.Move(static_cast<int>(r), 0);
    for (int i = 1; i <= 8; ++i) {
        const double mid = (i - 0.5) * 3.14159265 / 4, end = i * 3.14159265 / 4;
        const double reach = r * (1.25 + 0.1 * ((seed + i) % 3));
        s.CurveTo(static_cast<int>(reach * std::cos(mid)), static_cast<int>(reach * std::sin(mid)),
                  static_cast<int>(r * std::cos(end)), static_cast<int>(r * std::sin(end)));
    }
    return s.Define(id);
}

std::string Write(const std::string& folder, const char* name, const std::string& bytes) {
    const std::string path = folder + "\\" + name;
    sample::WriteWholeFile(path, bytes);
    return path;
}

std::size_t PeakMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize >> 20;
}

SwfDrawReport DrawOnce(SwfStage& stage, SwfImages& images, RasterImage& picture, int width, int height) {
    if (picture.width != width || picture.height != height) picture = RasterImage(width, height);
    const SwfMovie& movie = stage.Movie();
    const double sx = width * 20.0 / std::max(1, movie.stage.xMax - movie.stage.xMin);
    const double sy = height * 20.0 / std::max(1, movie.stage.yMax - movie.stage.yMin);
    return DrawFrame(stage, images, picture, SwfMatrix::Scale(sx / 20, sy / 20));
}

// The PNG file of an opaque picture by GDI+'s encoder (zlib's default
// level, unfiltered, under Wine): the yardstick for the core's writer.
bool GdiplusPng(const RasterImage& picture, std::vector<unsigned char>& png) {
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    png.clear();
    UINT count = 0, size = 0;
    if (picture.Empty() || !StartGdiplus() || GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
        return false;
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
    if (GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
    const ImageCodecInfo* encoder = nullptr;
    for (UINT i = 0; i < count; ++i)
        if (codecs[i].MimeType && lstrcmpiW(codecs[i].MimeType, L"image/png") == 0) encoder = &codecs[i];
    GpBitmap* bitmap = nullptr;
    if (!encoder || GdipCreateBitmapFromScan0(picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                                              reinterpret_cast<BYTE*>(const_cast<std::uint32_t*>(picture.px.data())),
                                              &bitmap) != Gdiplus::Ok)
        return false;
    IStream* stream = nullptr;
    bool ok = ::CreateStreamOnHGlobal(nullptr, TRUE, &stream) == S_OK &&
              GdipSaveImageToStream(bitmap, stream, &encoder->Clsid, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(bitmap);
    HGLOBAL memory = nullptr;
    if (ok && ::GetHGlobalFromStream(stream, &memory) == S_OK) {
        STATSTG stat{};
        stream->Stat(&stat, STATFLAG_NONAME);
        const auto* bytes = static_cast<const unsigned char*>(::GlobalLock(memory));
        if (bytes) png.assign(bytes, bytes + stat.cbSize.QuadPart);
        ::GlobalUnlock(memory);
    }
    if (stream) stream->Release();
    return !png.empty();
}

// The core's PNG files against GDI+'s for the same pictures: within 10% of
// their size is the bound.
struct PngSizes {
    std::size_t ours = 0, theirs = 0;
    double worst = 0;
    std::string worstName;

    void Add(const std::string& name, std::size_t oursBytes, std::size_t theirsBytes) {
        ours += oursBytes;
        theirs += theirsBytes;
        const double ratio = theirsBytes ? static_cast<double>(oursBytes) / theirsBytes : 0;
        if (ratio > worst) {
            worst = ratio;
            worstName = name;
        }
    }
    void Print() const {
        std::printf("  PNG size against GDI+'s: %zu bytes against %zu, ratio %.3f; the largest ratio %.3f (%s)\n", ours,
                    theirs, theirs ? static_cast<double>(ours) / theirs : 0, worst, worstName.c_str());
        std::printf("  bound 1.10: %s (ratio %.3f)\n", worst <= 1.10 ? "met" : "NOT met", worst);
    }
};

// Frame 1 of the reference movies (FLICKHOLD_FIRST_FRAME, tests/data/first-frame), written both ways.
void ReferencePngSizes(PngSizes& sizes) {
    const char* folder = std::getenv("FLICKHOLD_FIRST_FRAME");
    if (!folder) return;
    std::string cases = std::string("Z:") + folder + "/cases";
    std::replace(cases.begin(), cases.end(), '/', '\\');
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((cases + "\\*.swf").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    int movies = 0;
    do {
        const std::string path = cases + "\\" + found.cFileName;
        FileSource source(path), again(path);
        SwfStage stage(LoadSwfMovie(source)), same(LoadSwfMovie(again));
        RasterImage picture;
        std::vector<unsigned char> ours, theirs;
        if (!SnapshotPng(stage, ours) || !SnapshotPicture(same, picture) || !GdiplusPng(picture, theirs)) continue;
        sizes.Add(found.cFileName, ours.size(), theirs.size());
        ++movies;
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
    std::printf("  (with frame 1 of %d reference movies)\n", movies);
}

}  // namespace

// Processor time the whole process has had, every thread's, in milliseconds:
// a frame drawn on two cores costs both cores' time.
double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

void BenchMovie(const std::string& root) {
    ::CreateDirectoryA(root.c_str(), nullptr);
    StartGdiplus();

    // 500 shapes and 20 bitmaps of noise (which does not compress): about 2 MB.
    Tags tags;
    for (int i = 0; i < 20; ++i) {
        std::vector<std::uint32_t> pixels(160 * 160);
        const std::string noise = test::Noise(pixels.size() * 4, 77 + i);
        for (std::size_t p = 0; p < pixels.size(); ++p)
            pixels[p] = 0xFF000000u | (static_cast<std::uint32_t>(static_cast<unsigned char>(noise[p * 4])) << 16) |
                        (static_cast<unsigned char>(noise[p * 4 + 1]) << 8) | static_cast<unsigned char>(noise[p * 4 + 2]);
        tags.push_back(test::Lossless2(static_cast<std::uint16_t>(1000 + i), 160, 160, pixels));
        test::ShapeWriter s(3);
        s.BitmapFill(0x41, static_cast<std::uint16_t>(1000 + i), test::MatrixRecord(20, 0, 0, 20, 0, 0));
        s.Styles(-1, 1, -1);
        s.Rect(0, 0, 3200, 3200);
        tags.push_back(s.Define(static_cast<std::uint16_t>(2000 + i)));
        tags.push_back(test::Place(static_cast<std::uint16_t>(1 + i), 2000 + i,
                                   test::Translate((i % 5) * 2200, (i / 5) * 2000), "", -1, 0));
    }
    for (int i = 0; i < 500; ++i) {
        tags.push_back(Blob(static_cast<std::uint16_t>(1 + i), i));
        tags.push_back(test::Place(static_cast<std::uint16_t>(100 + i), 1 + i,
                                   test::Translate((i * 397) % 11000, (i * 211) % 8000)));
    }
    const std::string big = Write(root, "big.swf", test::MovieOf(550, 400, tags));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExA(big.c_str(), GetFileExInfoStandard, &data);
    const double readMs = MedianMs([&] {
        FileSource source(big);
        std::vector<char> buffer(64 << 10);
        while (source.Read(buffer.data(), buffer.size()) > 0) {
        }
    });
    {
        std::size_t drawn = 0;
        FileSource source(big);
        SwfStage stage(LoadSwfMovie(source));
        SwfImages images(&PictureDecoder());
        RasterImage picture;
        // The bitmaps decoded once, as the player keeps them; and half a
        // second of drawing first, while the Wine session's own processes
        // still start on the two cores.
        for (const auto until = Clock::now() + std::chrono::milliseconds(500); Clock::now() < until;)
            DrawOnce(stage, images, picture, 550, 400);
        const double ms = MedianOfRuns(9, [&] { drawn = DrawOnce(stage, images, picture, 550, 400).objects; });
        Report("movie frame 1 drawn, 550x400", ms, -1, drawn);
        // The snapshot as batch mode takes it, and the same with GDI+'s PNG
        // encoder, which wrote snapshots before the core's writer: in turns,
        // so that both see the same load.
        std::vector<unsigned char> png, gdiplusPng;
        std::vector<double> ours, theirs;
        for (int run = 0; run < 9; ++run) {
            ours.push_back(MedianOfRuns(1, [&] {
                FileSource again(big);
                SwfStage fresh(LoadSwfMovie(again));
                SnapshotPng(fresh, png);
            }));
            theirs.push_back(MedianOfRuns(1, [&] {
                FileSource again(big);
                SwfStage fresh(LoadSwfMovie(again));
                RasterImage drawn;
                SnapshotPicture(fresh, drawn);
                GdiplusPng(drawn, gdiplusPng);
            }));
        }
        auto median = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        Report("movie snapshot: read, drawn, PNG written", median(ours), readMs, png.size());
        Report("  the same, GDI+'s PNG encoder", median(theirs), readMs, gdiplusPng.size());
        PngSizes sizes;
        sizes.Add("the frame", png.size(), gdiplusPng.size());
        const double decode = MedianMs([&] {
            SwfImages fresh(&PictureDecoder());
            for (const SwfBitmap& bitmap : stage.Movie().bitmaps) fresh.Get(bitmap);
        });
        const double encode = MedianOfRuns(9, [&] { EncodePng(picture, png); });
        const double gdiplus = MedianOfRuns(9, [&] { GdiplusPng(picture, gdiplusPng); });
        std::printf("  of which: the bitmaps decoded %.1f ms, the PNG written %.1f ms (GDI+'s encoder %.1f ms)\n", decode,
                    encode, gdiplus);
        ReferencePngSizes(sizes);
        sizes.Print();
    }
    std::printf("  (%lu bytes; the baseline reads the file whole)\n", data.nFileSizeLow);
    {
        // Where the time goes: the core alone (a canvas that draws nothing) and GDI+.
        class Null : public SwfCanvas {
        public:
            void Clear(SwfColor) override {}
            void Fill(const SwfPath&, bool, const SwfPaint&) override {}
            void Stroke(const SwfPath&, const SwfStroke&, const SwfPaint&) override {}
            void PushClip(const std::vector<std::pair<SwfPath, bool>>&) override {}
            void PopClip() override {}
        } null;
        FileSource source(big);
        SwfStage stage(LoadSwfMovie(source));
        const double load = MedianMs([&] {
            FileSource again(big);
            LoadSwfMovie(again);
        });
        const double core = MedianMs([&] { stage.Draw(null, SwfMatrix::Scale(0.05, 0.05), 550, 400); });
        std::printf("  of which: reading and parsing %.1f ms, the core's drawing at 550x400 %.1f ms\n", load, core);
    }
    // 300 shapes that all move every frame, 60 frames at 30 a second.
    Tags anim;
    for (int i = 0; i < 300; ++i) {
        anim.push_back(Blob(static_cast<std::uint16_t>(1 + i), i));
        anim.push_back(test::Place(static_cast<std::uint16_t>(1 + i), 1 + i, test::Translate((i * 397) % 11000, (i * 211) % 8000)));
    }
    for (int f = 1; f < 60; ++f) {
        anim.push_back(test::ShowFrame());
        for (int i = 0; i < 300; ++i)
            anim.push_back(test::Place(static_cast<std::uint16_t>(1 + i), -1,
                                       test::Translate((i * 397 + f * 40) % 11000, (i * 211 + f * 30) % 8000), "", -1, 0, true));
    }
    const std::string animated = Write(root, "anim.swf", test::MovieOf(550, 400, anim));
    {
        FileSource source(animated);
        auto movie = LoadSwfMovie(source);
        movie->frameRate = 30;
        // The player's box in the main window, and the stage's own size.
        for (int size : {370, 550}) {
            SwfStage stage(movie);
            SwfImages images(&PictureDecoder());
            RasterImage picture;
            const int height = size * 400 / 550;
            const double cpu = ProcessCpuMs();
            const double ms = MedianOfRuns(1, [&] {
                for (int f = 0; f < 60; ++f) {
                    stage.Advance();
                    DrawOnce(stage, images, picture, size, height);
                }
            });
            const double used = ProcessCpuMs() - cpu;
            char name[64];
            std::snprintf(name, sizeof name, "every frame drawn, %dx%d", size, height);
            Report(name, ms / 60, -1, 60);
            std::printf("  processor time %.1f ms a frame (all threads) = %.0f%% of one core at 30 frames a second\n",
                        used / 60, 100.0 * (used / 60) / (1000.0 / 30));
        }
        // As the player plays it for three seconds: timer ticks at the
        // movie's period, as SetTimer's come whatever the work in between,
        // the pacer deciding which frames are drawn.
        SwfStage stage(movie);
        SwfImages images(&PictureDecoder());
        RasterImage picture;
        const auto start = Clock::now();
        auto now = [&] {
            return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
        };
        PlaybackPacer pacer(30, now());
        double busy = 0;
        const double cpu = ProcessCpuMs();
        int advanced = 0, drawn = 0;
        for (std::uint32_t due = pacer.Period(); now() < 3000; due += pacer.Period()) {
            const std::uint32_t at = now();
            if (at < due) ::Sleep(due - at);
            const auto work = Clock::now();
            const PlaybackPacer::Tick tick = pacer.OnTick(now());
            for (int i = 0; i < tick.frames; ++i) stage.Advance();
            advanced += tick.frames;
            if (tick.draw) {
                const std::uint32_t began = now();
                DrawOnce(stage, images, picture, 370, 269);
                pacer.Drew(began, now());
                ++drawn;
            }
            busy += std::chrono::duration<double, std::milli>(Clock::now() - work).count();
        }
        const double used = ProcessCpuMs() - cpu;
        Report("played as the player, 370x269, 3 s", busy, -1, static_cast<std::size_t>(drawn));
        std::printf("  processor time %.0f ms (all threads) = %.0f%% of one core; %d frames moved through, %d drawn\n",
                    used, 100.0 * used / now(), advanced, drawn);
    }

    // Archivists snapshot folders of movies: 1 000 small ones (20 shapes on a
    // 550x400 stage), listed, read, drawn and written as PNG by batch mode's own code.
    {
        const std::string batch = root + "\\batch", shots = root + "\\shots";
        ::CreateDirectoryA(batch.c_str(), nullptr);
        for (int m = 0; m < 1000; ++m) {
            Tags small;
            for (int i = 0; i < 20; ++i) {
                small.push_back(Blob(static_cast<std::uint16_t>(1 + i), m * 20 + i));
                small.push_back(test::Place(static_cast<std::uint16_t>(1 + i), 1 + i,
                                            test::Translate((i * 397 + m) % 11000, (i * 211 + m) % 8000)));
            }
            sample::WriteWholeFile(batch + "\\m" + std::to_string(m) + ".swf", test::MovieOf(550, 400, small));
        }
        SwfEntryList entries;
        int counter = 1;
        LoadChosenFolder(entries, counter, batch, SystemClock());
        SnapshotReport report;
        const double ms = MedianOfRuns(1, [&] {
            sample::RemoveTree(shots);
            ::CreateDirectoryA(shots.c_str(), nullptr);
            report = SaveSnapshots(entries, shots);
        });
        Report("snapshots of 1 000 small movies", ms, -1, static_cast<std::size_t>(report.written));
        std::printf("  = %.0f movies a second\n", report.written * 1000.0 / std::max(1.0, ms));
        sample::RemoveTree(shots);
        sample::RemoveTree(batch);
    }

    // Gotos sent back and forth within every frame over 2 000 placed shapes,
    // as a hostile movie might: the frame's caps end them. Moved on and drawn
    // as the player does, against its time limit for a drawing.
    {
        auto doGoto = [](unsigned frame) {
            return std::make_pair(12u, std::string("\x81\x02\x00", 3) + test::Le16(frame) + std::string(1, '\0'));
        };
        Tags pingPong = {Blob(1, 1)};
        for (int i = 0; i < 2000; ++i)
            pingPong.push_back(test::Place(static_cast<std::uint16_t>(1 + i), 1,
                                           test::Translate((i * 397) % 11000, (i * 211) % 8000)));
        pingPong.push_back(doGoto(1));
        pingPong.push_back(test::ShowFrame());
        pingPong.push_back(doGoto(0));
        const std::string path = Write(root, "pingpong.swf", test::MovieOf(550, 400, pingPong));
        FileSource source(path);
        SwfStage stage(LoadSwfMovie(source));
        stage.SetDrawTimeLimit(400);
        SwfImages images(&PictureDecoder());
        RasterImage picture;
        const double ms = MedianMs([&] {
            stage.Advance();
            DrawOnce(stage, images, picture, 370, 269);
        });
        Report("hostile: gotos back and forth, a frame", ms, -1, stage.Capped() ? 1 : 0);
        std::printf("  (the player allows 400 ms a drawing; capped %s)\n", stage.Capped() ? "yes" : "no");
        ::DeleteFileA(path.c_str());
    }

    // Hostile movies, each in a process of its own so that its peak memory is its own.
    std::string png = "\x89PNG\r\n\x1a\n" + std::string(4, '\0') + "IHDR" + std::string("\x00\x01\x86\xA0\x00\x01\x86\xA0", 8);
    const std::string claim = Write(root, "claim.swf", test::MovieOf(550, 400, {test::Jpeg2(1, png), test::Place(1, 2)}));
    // A million shapes: one blob's tag again and again under 60 000 ids.
    const std::string blob = test::SwfTag(Blob(1, 1).first, Blob(1, 1).second);
    std::string body = test::MovieOf(550, 400, {});
    body.resize(body.size() - 2);  // without its ShowFrame
    body.reserve(body.size() + blob.size() * 1000000 + 2);
    for (int i = 0; i < 1000000; ++i) {
        const std::size_t at = body.size();
        body += blob;
        const std::uint16_t id = static_cast<std::uint16_t>(1 + i % 60000);
        const std::size_t idAt = at + ((blob.size() >= 6 && (static_cast<unsigned char>(blob[0]) & 0x3F) == 0x3F) ? 6 : 2);
        body[idAt] = static_cast<char>(id & 0xFF);
        body[idAt + 1] = static_cast<char>(id >> 8);
    }
    body += test::SwfTag(1, std::string());
    const std::string million = Write(root, "million.swf", body);
    body.clear();
    body.shrink_to_fit();
    char exe[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    for (const std::string& path : {claim, million}) {
        std::string command = "\"" + std::string(exe) + "\" /hostile:\"" + path + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        std::fflush(stdout);
        if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            ::WaitForSingleObject(process.hProcess, INFINITE);
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
        }
    }
    ::DeleteFileA(big.c_str());
    ::DeleteFileA(animated.c_str());
    ::DeleteFileA(claim.c_str());
    ::DeleteFileA(million.c_str());
}

int BenchHostileMovie(const std::string& path) {
    StartGdiplus();
    const std::size_t before = PeakMegabytes();
    SwfCut cut = SwfCut::None;
    SwfLeftOut left;
    std::size_t shapes = 0;
    const double ms = MedianOfRuns(1, [&] {
        FileSource source(path);
        auto movie = LoadSwfMovie(source);
        SwfStage stage(movie);
        SwfImages images(&PictureDecoder());
        RasterImage picture;
        DrawOnce(stage, images, picture, 550, 400);
        cut = movie->cut;
        left = movie->leftOut;
        shapes = movie->shapes.size();
    });
    const bool bitmap = left.largeBitmaps > 0;
    Report(bitmap ? "hostile: 100000x100000 bitmap" : "hostile: a million shapes", ms, -1, shapes);
    std::printf("  peak working set %zu MB (%zu MB at start); cut reason %d, large bitmaps left out %d\n",
                PeakMegabytes(), before, static_cast<int>(cut), left.largeBitmaps);
    return 0;
}

}  // namespace fh::bench
