// The Firefox cache2 entry reader over any bytes.

#include "caches/firefox_cache2.h"
#include "fuzz/fuzz_cache_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    const std::string name = "0123456789ABCDEF0123456789ABCDEF01234567";
    test::MemoryFolder folder;
    folder.files[name] = fuzz::Text(data, size);
    auto file = folder.Open(name);
    bool damaged = false;
    if (const auto record = ReadCache2Entry(*file, name, damaged)) {
        fuzz::Require(record->length && *record->length < size, "the body ends before the metadata");
        fuzz::RequireInside(folder, *record);
    }
    return 0;
}
