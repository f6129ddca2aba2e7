// The cache folder analysis against a bare recursive walk that opens every
// file and reads its first 16 bytes, over the same folder: 50 000 files of
// 40 KB (2 GB), 1 000 of them movies, half of those Firefox cache2 entries
// (body, metadata, address) and half plain movie files under other names.
// Twenty of the profiles also hold Firefox's older disk cache (the one
// dtformats shares, FLICKHOLD_PEER_CACHES, with two movies put in and the
// map Firefox writes on closing). Then 1 000 cache2 movies of 1 MB stored
// gzip-encoded (as servers send them) against the same movies stored plainly.
// Last, the rows of IE11's WebCache database (FLICKHOLD_WEBCACHE, 16 MB)
// against a bare read of the file, and the most memory the reading holds.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "bench/bench_util.h"
#include "support/cache1_fixture.h"
#include "support/cache_writer.h"
#include "caches/webcache.h"
#include "discovery/archive_source.h"
#include "discovery/shell_helpers.h"
#include "win/handles.h"
#include "win/platform.h"

#include "../tools/sample_files.h"
#include "../tools/sample_swf.h"

namespace fh::bench {

namespace {

const char kFlashType[] = "Content-Type: application/x-shockwave-flash\r\n";

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

// What the process's heaps hold in use: walked block by block, so that a
// block freed and taken again is not counted twice.
std::size_t HeapBytesInUse() {
    HANDLE heaps[64];
    const DWORD count = std::min<DWORD>(::GetProcessHeaps(64, heaps), 64);
    std::size_t used = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!::HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
        ::HeapUnlock(heaps[i]);
    }
    return used;
}

// The database read through Win32, as the walk reads it; each read can note
// the heaps' use, so that the most the reader holds at once is seen.
class WinFile : public CacheFile {
public:
    explicit WinFile(const std::string& path) : m_file(OpenForReading(path)) {}
    std::uint64_t Size() const override {
        LARGE_INTEGER size{};
        return m_file && ::GetFileSizeEx(m_file.Get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    }
    std::string ReadAt(std::uint64_t offset, std::size_t count) override {
        if (sampling) peak = std::max(peak, HeapBytesInUse());
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        std::string bytes(count, '\0');
        DWORD read = 0;
        if (!::SetFilePointerEx(m_file.Get(), at, nullptr, FILE_BEGIN) ||
            !::ReadFile(m_file.Get(), &bytes[0], static_cast<DWORD>(count), &read, nullptr))
            return std::string();
        bytes.resize(read);
        return bytes;
    }
    bool sampling = false;
    std::size_t peak = 0;

private:
    UniqueFile m_file;
};

void BenchWebCache(const std::string& root) {
    const char* fixtures = std::getenv("FLICKHOLD_WEBCACHE");
    if (!fixtures) return;
    std::string folder = std::string("Z:") + fixtures;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    const std::optional<std::string> database =
        DecodeBody(sample::ReadTree(folder)["WebCacheV01-win10-2021-dirty.dat.gz"], BodyEncoding::Gzip, 64u << 20);
    if (!database) return;
    const std::string path = root + "\\webcache\\WebCacheV01.dat";
    sample::WriteWholeFile(path, *database);
    std::size_t rows = 0;
    for (int round = 0; round < 2; ++round) {  // the first round warms the file cache
        const double bare = MedianMs([&] {
            UniqueFile file(OpenForReading(path));
            std::string buffer(64 * 1024, '\0');
            DWORD read = 0;
            while (file && ::ReadFile(file.Get(), &buffer[0], static_cast<DWORD>(buffer.size()), &read, nullptr) && read) {
            }
        });
        const double listing = MedianMs([&] {
            WinFile file(path);
            rows = ReadWebCache(file).rows.size();
        });
        if (round == 1) {
            Report("WebCache rows, 16 MB database", listing, bare, rows);
            std::printf("  bound 1.20: %s (ratio %.2f)\n", listing <= 1.2 * bare ? "met" : "NOT met", listing / bare);
        }
    }
    WinFile file(path);
    const std::size_t before = HeapBytesInUse();
    file.sampling = true;
    const WebCacheReading reading = ReadWebCache(file);
    file.sampling = false;
    const double held = static_cast<double>(std::max(file.peak, before) - before) / (1 << 20);
    std::printf("  the reader's memory: %.2f MB at most; bound 8 MB: %s\n", held, held < 8 ? "met" : "NOT met");
    sample::RemoveTree(root + "\\webcache");
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
        if (i < movies / 2)
            bytes = test::Cache2EntryFile(movie + filler, "http://site" + std::to_string(i % 7) + ".com/m" + std::to_string(i) + ".swf",
                                          kFlashType);
        else if (i < movies) bytes = movie + filler;
        else bytes = filler;
        sample::WriteWholeFile(sub + "\\" + name, bytes);
    }
    if (const char* peer = std::getenv("FLICKHOLD_PEER_CACHES")) {
        std::string real = std::string("Z:") + peer + "/dtformats/firefox_cache1/test_data/firefox_cache1";
        std::replace(real.begin(), real.end(), '/', '\\');
        std::map<std::string, std::string> cache = sample::ReadTree(real);
        if (!cache.empty()) {
            test::PutMoviesInCache1(cache, true);
            for (int p = 0; p < 20 / std::min(scale, 20); ++p)
                for (const auto& file : cache)
                    sample::WriteWholeFile(folder + "\\Profile" + std::to_string(p) + "\\Cache\\" + file.first, file.second);
        }
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

    // The same movies stored plainly and gzip-encoded: listing an encoded
    // one decodes only its first bytes.
    std::string big = sample::MakeSwf(false, 0x336699, 3, "Bench");
    big.resize(1u << 20, '\0');
    big[4] = static_cast<char>(big.size() & 0xFF);
    big[5] = static_cast<char>(big.size() >> 8 & 0xFF);
    big[6] = static_cast<char>(big.size() >> 16 & 0xFF);
    big[7] = 0;
    const std::string packed = test::Gzip(big);
    const std::string plainFolder = root + "\\plain", gzipFolder = root + "\\gzip";
    for (int i = 0; i < movies; ++i) {
        char name[96];
        std::snprintf(name, sizeof name, "\\cache2\\entries\\%040X", i);
        const std::string url = "http://site" + std::to_string(i % 7) + ".com/m" + std::to_string(i) + ".swf";
        sample::WriteWholeFile(plainFolder + name, test::Cache2EntryFile(big, url, kFlashType));
        sample::WriteWholeFile(gzipFolder + name,
                               test::Cache2EntryFile(packed, url, std::string(kFlashType) + "Content-Encoding: gzip\r\n"));
    }
    for (int round = 0; round < 2; ++round) {
        std::size_t plainListed = 0, gzipListed = 0;
        const double plain = MedianMs([&] {
            SwfEntryList entries;
            int counter = 1;
            LoadArchiveFolder(entries, counter, plainFolder, SystemClock());
            plainListed = entries.size();
        });
        const double gzip = MedianMs([&] {
            SwfEntryList entries;
            int counter = 1;
            LoadArchiveFolder(entries, counter, gzipFolder, SystemClock());
            gzipListed = entries.size();
        });
        if (round == 1) {
            Report("cache2 movies gzip-encoded, against plain", gzip, plain, gzipListed);
            if (gzipListed != plainListed) std::printf("  but %u stored plainly were listed\n", static_cast<unsigned>(plainListed));
        }
    }
    sample::RemoveTree(plainFolder);
    sample::RemoveTree(gzipFolder);
    BenchWebCache(root);
}

}  // namespace fh::bench
