// The Chromium block-file cache reader over any set of files: the input is
// a run of parts, each a file number (index, data_0 to data_3, f_000001),
// a little-endian length and that many bytes.

#include "caches/chromium_cache.h"
#include "fuzz/fuzz_cache_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    static const char* const kNames[] = {"index", "data_0", "data_1", "data_2", "data_3", "f_000001"};
    test::MemoryFolder folder;
    const std::string input = fuzz::Text(data, size);
    for (std::size_t at = 0; at + 5 <= input.size();) {
        const std::size_t length = std::min<std::size_t>(Le32(input, at + 1), input.size() - at - 5);
        folder.files[kNames[static_cast<unsigned char>(input[at]) % 6]] = input.substr(at + 5, length);
        at += 5 + length;
    }
    for (const CacheRecord& r : ReadBlockFileCache(folder).records) fuzz::RequireInside(folder, r);
    return 0;
}
