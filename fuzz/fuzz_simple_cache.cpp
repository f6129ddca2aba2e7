// The Chromium simple cache entry reader over any bytes.

#include "caches/chromium_cache.h"
#include "fuzz/fuzz_cache_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    test::MemoryFolder folder;
    folder.files["0123456789abcdef_0"] = fuzz::Text(data, size);
    auto file = folder.Open("0123456789abcdef_0");
    bool damaged = false;
    if (const auto record = ReadSimpleEntry(*file, "0123456789abcdef_0", damaged)) {
        fuzz::Require(record->length && record->offset + *record->length <= size, "the body lies inside the file");
        fuzz::RequireInside(folder, *record);
    }
    return 0;
}
