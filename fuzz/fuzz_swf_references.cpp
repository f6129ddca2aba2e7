// The scan for the files a movie names, over any tag data: the first byte
// is the version, the rest the body after the header. Whatever the bytes,
// it ends within its caps and keeps only URL-like texts within their length.

#include "fuzz/fuzz_util.h"
#include "swf/swf_references.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    if (size < 1) return 0;
    SwfReferenceLimits limits;
    limits.maxTags = 5000;
    limits.maxWork = 50000;
    limits.maxReferences = 64;
    limits.maxText = 256;
    const SwfReferences found = ScanSwfBodyReferences(data + 1, size - 1, data[0], limits);
    fuzz::Require(found.refs.size() <= limits.maxReferences, "references within their cap");
    for (const SwfReference& r : found.refs) {
        fuzz::Require(!r.text.empty() && r.text.size() <= limits.maxText, "a reference's text within its cap");
        fuzz::Require(r.text.find(' ') == std::string::npos, "a reference has no spaces");
        fuzz::Require(r.link == (r.kind == SwfRefKind::Page), "links, and only links, are pages");
    }
    return 0;
}
