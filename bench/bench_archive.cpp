// The cache folder analysis against a bare recursive walk that opens every
// file and reads its first 16 bytes, over the same folder: 50 000 files of
// 40 KB (2 GB), 1 000 of them movies, half of those Firefox cache2 entries
// (body, metadata, address) and half plain movie files under other names.

#include <windows.h>

#include <string>

#include "bench/bench_util.h"
#include "discovery/archive_source.h"
#include "discovery/shell_helpers.h"
#include "win/handles.h"
#include "win/platform.h"

#include "../tools/sample_files.h"
#include "../tools/sample_swf.h"

namespace fh::bench {

namespace {

std::string Be32Bytes(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

// A cache2 entry: the body, its hashes, the metadata with key and response
// head, and the body's length at the end.
std::string Cache2Entry(const std::string& body, const std::string& url) {
    const std::string key = "a,:" + url;
    std::string out = body + std::string(4 + 2, '\0');
    for (std::uint32_t v : {4u, 1u, 0u, 0u, 0u, 0xFFFFFFFFu, static_cast<std::uint32_t>(key.size()), 0u})
        out += Be32Bytes(v);
    out += key + '\0';
    out += std::string("response-head\0HTTP/1.1 200 OK\r\nContent-Type: application/x-shockwave-flash\r\n\0", 80);
    return out + Be32Bytes(static_cast<std::uint32_t>(body.size()));
}

std::size_t BareWalk(const std::string& folder) {
    std::size_t files = 0;
    WIN32_FIND_DATAA found;
    UniqueFind find(::FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!find) return 0;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files += BareWalk(path);
            continue;
        }
        UniqueFile file(OpenForReading(path));
        char head[16];
        DWORD read = 0;
        if (file && ::ReadFile(file.Get(), head, sizeof head, &read, nullptr)) ++files;
    } while (::FindNextFileA(find.Get(), &found));
    return files;
}

}  // namespace

void BenchArchive(const std::string& root, int scale) {
    const int files = 50000 / scale, movies = 1000 / scale;
    const std::string folder = root + "\\archive";
    std::string filler(40 * 1024, '\0');
    for (std::size_t i = 0; i < filler.size(); ++i) filler[i] = static_cast<char>(i * 2654435761u >> 13);
    const std::string movie = sample::MakeSwf(true, 0x336699, 3, "Bench");
    for (int i = 0; i < files; ++i) {
        const std::string sub = folder + "\\Profile" + std::to_string(i % 20) + (i < movies / 2 ? "\\cache2\\entries" : "\\misc");
        char name[48];
        if (i < movies / 2) std::snprintf(name, sizeof name, "%040X", i);
        else std::snprintf(name, sizeof name, "f%06d", i);
        std::string bytes;
        if (i < movies / 2) bytes = Cache2Entry(movie + filler, "http://site" + std::to_string(i % 7) + ".com/m" + std::to_string(i) + ".swf");
        else if (i < movies) bytes = movie + filler;
        else bytes = filler;
        sample::WriteWholeFile(sub + "\\" + name, bytes);
    }
    std::size_t walked = 0, listed = 0;
    for (int round = 0; round < 2; ++round) {  // the first round warms the file cache
        const double bare = MedianMs([&] { walked = BareWalk(folder); });
        SwfEntryList entries;
        const double archive = MedianMs([&] {
            entries.clear();
            int counter = 1;
            LoadArchiveFolder(entries, counter, folder, SystemClock());
        });
        listed = entries.size();
        if (round == 1) Report("cache folder analysis, 2 GB", archive, bare, listed);
    }
    (void)walked;
    sample::RemoveTree(folder);
}

}  // namespace fh::bench
