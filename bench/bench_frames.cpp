// Hostile frames: filters, masks and layers that would outrun a drawing's
// time and memory, each drawn once in a process of its own (its peak memory
// is its own) at the player's and the snapshot's sizes and time limits.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_util.h"
#include "gfx/movie_picture.h"
#include "player/movie_file.h"
#include "support/swf_shapes.h"
#include "support/swf_writer.h"
#include "swf/swf_movie.h"
#include "swf/swf_raster_canvas.h"
#include "swf/swf_stage.h"

#include "../tools/sample_files.h"

namespace fh::bench {

namespace {

using Tags = std::vector<std::pair<unsigned, std::string>>;

std::pair<unsigned, std::string> Square(std::uint16_t id, int x, int y, int side) {
    test::ShapeWriter s(3);
    s.Solid(0xC03020FFu);
    s.Styles(-1, 1, -1);
    s.Rect(x, y, side, side);
    return s.Define(id);
}

// Movies on a stage of `side` pixels whose content covers it (and, for the
// layers, reaches the margin past it).
std::string Blurred(int side, int filters, int passes) {
    test::Place3Fields blurred;
    blurred.character = 2;
    blurred.hasFilters = true;
    blurred.filters.assign(static_cast<std::size_t>(filters), test::BlurFilter(2, 2, passes));
    const double scale = side / 100.0;
    return test::MovieOf(side, side,
                         {Square(1, 0, 0, 2000),
                          test::Sprite(2, {test::Place(1, 1, test::MatrixRecord(scale, 0, 0, scale, 0, 0)),
                                           test::ShowFrame()}),
                          test::Place3(1, blurred)});
}

std::string Masks(int side, int count) {
    const double scale = side / 100.0;
    Tags tags = {Square(1, 0, 0, 2000)};
    for (int depth = 1; depth <= count; ++depth)
        tags.push_back(test::Place(static_cast<std::uint16_t>(depth), 1, test::MatrixRecord(scale, 0, 0, scale, 0, 0),
                                   "", -1, 1000));
    tags.push_back(test::Place(999, 1, test::MatrixRecord(scale, 0, 0, scale, 0, 0)));
    return test::MovieOf(side, side, tags);
}

std::string NestedLayers(int side, int layers, int masks) {
    const double scale = side / 100.0;
    Tags tags = {Square(1, -300, -300, 2600)};
    Tags inner;
    for (int depth = 1; depth <= masks; ++depth)
        inner.push_back(test::Place(static_cast<std::uint16_t>(depth), 1, test::MatrixRecord(scale, 0, 0, scale, 0, 0),
                                    "", -1, 1000));
    inner.push_back(test::Place(999, 1, test::MatrixRecord(scale, 0, 0, scale, 0, 0)));
    inner.push_back(test::ShowFrame());
    tags.push_back(test::Sprite(2, inner));
    test::Place3Fields layer;
    layer.blend = 2;
    const int top = 2 + layers;
    for (int id = 3; id <= top; ++id) {
        layer.character = id - 1;
        tags.push_back(test::Sprite(static_cast<std::uint16_t>(id), {test::Place3(1, layer), test::ShowFrame()}));
    }
    layer.character = top;
    tags.push_back(test::Place3(1, layer));
    return test::MovieOf(side, side, tags);
}

}  // namespace

void BenchHostileFrames(const std::string& root) {
    ::CreateDirectoryA(root.c_str(), nullptr);
    const struct {
        const char* name;
        std::string bytes;
        int side, limitMs;
    } cases[] = {
        {"three 15-pass blurs, QHD player", Blurred(1440, 3, 15), 1440, 400},
        {"three 15-pass blurs, snapshot", Blurred(4096, 3, 15), 4096, 5000},
        {"one 7-pass blur, QHD player", Blurred(1440, 1, 7), 1440, 400},
        {"128 masks, player 1024", Masks(1024, 128), 1024, 400},
        {"128 masks, snapshot", Masks(4096, 128), 4096, 5000},
        {"10 layers + 54 masks, player 1024", NestedLayers(1024, 10, 54), 1024, 400},
        {"10 layers + 54 masks, snapshot", NestedLayers(4096, 10, 54), 4096, 5000},
    };
    char exe[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    int n = 0;
    for (const auto& c : cases) {
        const std::string path = root + "\\frame" + std::to_string(n++) + ".swf";
        sample::WriteWholeFile(path, c.bytes);
        std::printf("hostile frame: %s (limit %d ms)\n", c.name, c.limitMs);
        std::fflush(stdout);
        std::string command = "\"" + std::string(exe) + "\" /hostileframe:" + std::to_string(c.side) + ":" +
                              std::to_string(c.limitMs) + ":\"" + path + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            ::WaitForSingleObject(process.hProcess, INFINITE);
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
        }
        ::DeleteFileA(path.c_str());
    }
}

// SIDE:LIMIT:PATH: the movie's frame 1 drawn once at SIDE x SIDE within LIMIT ms.
int BenchHostileFrame(const std::string& args) {
    const int side = std::atoi(args.c_str());
    const std::size_t colon = args.find(':'), second = args.find(':', colon + 1);
    if (side <= 0 || colon == std::string::npos || second == std::string::npos) return 1;
    const int limit = std::atoi(args.c_str() + colon + 1);
    const std::string path = args.substr(second + 1);
    StartGdiplus();
    FileSource source(path);
    SwfStage stage(LoadSwfMovie(source));
    stage.SetDrawTimeLimit(limit);
    SwfImages images;
    RasterImage picture(side, side);
    const double cpu0 = ProcessCpuMs();
    const auto start = Clock::now();
    const SwfDrawReport report = DrawFrame(stage, images, picture, SwfMatrix::Scale(0.05, 0.05));
    const double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    std::printf("  %.0f ms wall, %.0f ms processor, cut %s, peak working set %zu MB\n", wall, ProcessCpuMs() - cpu0,
                report.cut ? "yes" : "no", static_cast<std::size_t>(counters.PeakWorkingSetSize >> 20));
    return 0;
}

}  // namespace fh::bench
