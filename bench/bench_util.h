#pragma once
// What every benchmark case shares: the median of a few runs and one line
// of report, with the ratio to a bare baseline where the case has one.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace fh::bench {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 3;

// The median of `runs` runs; `prepare` runs untimed before each.
inline double MedianOfRuns(int runs, const std::function<void()>& work,
                           const std::function<void()>& prepare = nullptr) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline double MedianMs(const std::function<void()>& work, const std::function<void()>& prepare = nullptr) {
    return MedianOfRuns(kRuns, work, prepare);
}

// baselineMs < 0: the case has no baseline.
inline void Report(const char* name, double ms, double baselineMs, size_t records) {
    if (baselineMs < 0)
        std::printf("%-34s %9.1f ms   (no baseline)                        records %zu\n", name, ms, records);
    else
        std::printf("%-34s %9.1f ms   baseline %9.1f ms   ratio %5.2f   records %zu\n", name, ms, baselineMs,
                    baselineMs > 0 ? ms / baselineMs : 0.0, records);
    std::fflush(stdout);
}

// Saving and the movie card, with their data under `root`.
void BenchActions(const std::string& root, int scale);
// The HTML renderer: a tooltip text, mixed bodies, a large table.
void BenchRenderer();
// The tooltip window: show to composed, one fade step, show and hide.
void BenchTips();
void BenchScript();
// The movies' hashes: the CSV export against a bare read, Save All of each
// movie once against saving the distinct movies alone.
void BenchHashes(const std::string& root, int scale);
// One step of the CSV-with-hashes case read from the disk, which the script
// runs with the page cache emptied before each: write, read, export, clean.
// Prints the step's milliseconds.
int ColdHashStep(const std::string& step);
// The cache folder analysis against a bare walk, with its data under `root`.
void BenchArchive(const std::string& root, int scale);
// The movie renderer, with its data under `root`; hostile movies are timed
// in a child process that runs BenchHostileMovie.
void BenchMovie(const std::string& root);
int BenchHostileMovie(const std::string& path);
void BenchHostileFrames(const std::string& root);
// Processor time the whole process has had, every thread's, in milliseconds.
double ProcessCpuMs();
int BenchHostileFrame(const std::string& args);
// The script machine: cycles built every frame of a long run, with the memory held.
void BenchScriptMemory();
// 1 000 clips moved by onEnterFrame handlers, played and drawn a frame at a time.
void BenchClips();

}  // namespace fh::bench
