// Benchmarks of the movies' hashes: the CSV export, which reads every movie
// whole for its SHA-256, against a bare read of the same files; and Save All
// with each movie written once, over five copies of every movie, against
// saving the distinct movies alone. Each prints its ratio against its bound.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "actions/movie_export.h"
#include "base/codepage.h"
#include "bench/bench_util.h"
#include "win/handles.h"
#include "win/platform.h"

#include "../tools/sample_files.h"
#include "../tools/sample_swf.h"

namespace fh::bench {

namespace {

using sample::RemoveTree;
using sample::WriteWholeFile;

// Distinct movies of `bytes` each: one header, the rest numbered.
std::string NumberedMovie(std::size_t bytes, int number) {
    std::string movie = sample::MakeSwf(false, 0x204060, 1);
    movie.resize(bytes, 'x');
    const std::string mark = "movie " + std::to_string(number);
    movie.replace(movie.size() - mark.size(), mark.size(), mark);
    return movie;
}

// Every file read whole, as a copy would read it.
std::uint64_t ReadAll(const SwfEntryList& entries) {
    std::vector<char> buffer(1u << 20);
    std::uint64_t total = 0;
    for (const SwfEntry& e : entries) {
        UniqueFile file(::CreateFileA(e.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        DWORD got = 0;
        while (file && ::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got)
            total += got;
    }
    return total;
}

void ReportBound(const char* name, double ms, double baselineMs, std::size_t records, double bound) {
    Report(name, ms, baselineMs, records);
    const double ratio = baselineMs > 0 ? ms / baselineMs : 0.0;
    std::printf("  bound %.2f: %s (ratio %.2f)\n", bound, ratio <= bound ? "met" : "NOT met", ratio);
    std::fflush(stdout);
}

// 2 000 movies of 512 KB, 1 GB in all, written when `write`.
SwfEntryList HashedMovies(const std::string& folder, int scale, bool write) {
    SwfEntryList entries;
    for (int i = 0; i < 2000 / scale; ++i) {
        SwfEntry e;
        e.id = i + 2;
        e.name = "movie" + std::to_string(i);
        e.url = "http://site" + std::to_string(i % 10) + ".example/" + e.name + ".swf";
        e.path = folder + "\\" + std::to_string(i) + ".swf";
        if (write) WriteWholeFile(e.path, NumberedMovie(512u << 10, i));
        entries.push_back(e);
    }
    return entries;
}

void BenchCsvWithHashes(const std::string& root, int scale) {
    const std::string folder = root + "\\hashed";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const SwfEntryList entries = HashedMovies(folder, scale, true);
    const std::string csv = root + "\\hashed.csv";
    std::uint64_t bytes = 0;
    // The two take turns, so that the page cache weighs on each alike.
    std::vector<double> times[2];
    for (int run = 0; run < kRuns; ++run) {
        auto start = Clock::now();
        bytes = ReadAll(entries);
        times[0].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        start = Clock::now();
        ExportMovieList(entries, csv, SystemClock());
        times[1].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    for (auto& t : times) std::sort(t.begin(), t.end());
    char name[64];
    std::snprintf(name, sizeof name, "CSV with hashes, %u MB", static_cast<unsigned>(bytes >> 20));
    ReportBound(name, times[1][kRuns / 2], times[0][kRuns / 2], entries.size(), 1.2);
    ::DeleteFileA(csv.c_str());
    RemoveTree(folder);
}

// 1 000 movies of 50 KB, each found five times under five addresses: all of
// one length, the worst case, as every movie has to be read for its hash.
void BenchSaveOnce(const std::string& root, int scale) {
    const int distinct = 1000 / scale;
    const std::string folder = root + "\\copies";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    SwfEntryList all, firsts;
    for (int copy = 0; copy < 5; ++copy) {
        for (int i = 0; i < distinct; ++i) {
            SwfEntry e;
            e.id = static_cast<std::int32_t>(all.size()) + 2;
            e.name = "movie" + std::to_string(i);
            e.url = "http://cache" + std::to_string(copy) + ".example/games/" + e.name + ".swf";
            e.path = folder + "\\" + std::to_string(copy) + "_" + std::to_string(i) + ".swf";
            WriteWholeFile(e.path, NumberedMovie(50u << 10, i));
            all.push_back(e);
            if (copy == 0) firsts.push_back(e);
        }
    }
    const std::string out = root + "\\out";
    std::vector<double> times[2];
    int saved[2] = {};
    for (int run = 0; run < 5; ++run) {
        for (int kind = 0; kind < 2; ++kind) {
            RemoveTree(out);
            ::CreateDirectoryA(out.c_str(), nullptr);
            const auto start = Clock::now();
            if (kind == 0) {
                saved[0] = SaveMovies(firsts, out, false, "unclassified").saved;
            } else {
                const std::vector<std::string> hashes = HashPossibleCopies(all).value_or(std::vector<std::string>());
                saved[1] = SaveMovies(all, out, false, "unclassified", &hashes).saved;
            }
            times[kind].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    for (auto& t : times) std::sort(t.begin(), t.end());
    ReportBound("Save All once, 5 copies of each", times[1][2], times[0][2], static_cast<std::size_t>(saved[1]), 1.2);
    if (saved[0] != distinct || saved[1] != distinct)
        std::printf("  (saved %d distinct alone and %d of the copies, not %d)\n", saved[0], saved[1], distinct);
    RemoveTree(out);
    RemoveTree(folder);
}

}  // namespace

int ColdHashStep(const std::string& step) {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "flickhold_cold";
    if (step == "clean") {
        RemoveTree(folder);
        return 0;
    }
    if (step == "write") ::CreateDirectoryA(folder.c_str(), nullptr);
    const SwfEntryList entries = HashedMovies(folder, 1, step == "write");
    const auto start = Clock::now();
    if (step == "read") ReadAll(entries);
    else if (step == "export") ExportMovieList(entries, folder + ".csv", SystemClock());
    else if (step != "write") return 2;
    std::printf("%.1f\n", std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    ::DeleteFileA((folder + ".csv").c_str());
    return 0;
}

void BenchHashes(const std::string& root, int scale) {
    BenchCsvWithHashes(root, scale);
    BenchSaveOnce(root, scale);
}

}  // namespace fh::bench
