// The Firefox cache1 reader over any set of files: the input is a run of
// parts, each a file number (the map, the three block files, a separate data
// and a separate metadata file), a little-endian length and that many bytes.
// The separate files are read both listed and guessed.

#include "caches/firefox_cache1.h"
#include "fuzz/fuzz_cache_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    static const char* const kNames[] = {"_CACHE_MAP_",    "_CACHE_001_",    "_CACHE_002_",
                                         "_CACHE_003_",    "9\\36\\DD708d01", "9\\36\\DD708m01"};
    test::MemoryFolder folder;
    const std::string input = fuzz::Text(data, size);
    for (std::size_t at = 0; at + 5 <= input.size();) {
        const std::size_t length = std::min<std::size_t>(Le32(input, at + 1), input.size() - at - 5);
        folder.files[kNames[static_cast<unsigned char>(input[at]) % 6]] = input.substr(at + 5, length);
        at += 5 + length;
    }
    for (bool listed : {false, true}) {
        const std::vector<std::string> separateFiles = {kNames[4], kNames[5]};
        const CacheReading reading = ReadFirefoxCache1(folder, listed ? separateFiles : std::vector<std::string>());
        for (const CacheRecord& r : reading.records) {
            auto file = folder.Open(r.file);
            fuzz::Require(file && r.length && r.offset <= file->Size() && *r.length <= file->Size() - r.offset,
                          "the body lies inside its file");
            fuzz::RequireInside(folder, r);
        }
    }
    return 0;
}
