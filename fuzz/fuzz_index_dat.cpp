// The index.dat reader over any bytes.

#include "caches/index_dat.h"
#include "fuzz/fuzz_cache_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    test::MemoryFolder folder;
    folder.files["index.dat"] = fuzz::Text(data, size);
    const CacheReading reading = ReadIndexDat(folder.files["index.dat"]);
    for (const CacheRecord& r : reading.records) {
        fuzz::Require(!r.url.empty() && r.file.find('\\') != std::string::npos, "a record names its address and file");
        for (const std::string& part : fuzz::Split(r.file, '\\'))
            fuzz::Require(!part.empty() && part != "." && part != "..", "a record's file stays in its cache folder");
    }
    return 0;
}
