// The movie header reader over any bytes, plain, zlib or LZMA.

#include "fuzz/fuzz_util.h"
#include "swf/swf_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    MemorySource source(data, size);
    SwfReadLimits limits;
    limits.maxInflated = 1u << 20;
    limits.maxMetadata = 16u << 10;
    const SwfHeaderInfo info = ReadSwfHeader(source, limits);
    fuzz::Require(info.signature.size() <= 3, "a signature is three bytes at most");
    if (!info.IsMovie()) fuzz::Require(!info.version && !info.frameCount, "no facts for what is not a movie");
    return 0;
}
