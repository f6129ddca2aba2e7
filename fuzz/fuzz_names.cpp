// Addresses split into sites, paths into display names and path parts.

#include "discovery/path.h"
#include "discovery/swf_names.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    const std::string input = fuzz::Text(data, size);
    for (const CodePage& cp : {CodePage::Korean(), CodePage::Japanese()}) {
        const std::string site = GetSiteFromUrl(input, cp);
        fuzz::Require(site.size() <= input.size(), "a site is part of its address");
        fuzz::Require(cp.Find(site, '/') == std::string::npos, "a site holds no slash");
        fuzz::Require(input.find(site) != std::string::npos, "a site is taken from its address");
        fuzz::Require(!GetDisplayName(input, cp).empty(), "a display name is never empty");
        TrimBackslashes(input, cp);
        const std::vector<std::string> parts = fuzz::Split(input, '\n');
        if (parts.size() >= 3) NavigateFolder(parts[0], parts[1], parts[2], cp);
        CPath path(cp);
        path.SetPath(input, size % 2 == 0);
        fuzz::Require(path.GetPath().size() <= CPath::kMaxLength + 2, "the path object keeps its limit");
    }
    return 0;
}
