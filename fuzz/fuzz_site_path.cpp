// Site-folder paths for any address and name: inside the save folder, safe
// names only, within the path limits.

#include <cstring>

#include "actions/site_folders.h"
#include "fuzz/fuzz_util.h"

namespace {

bool IsDevice(std::string name) {
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const char* d : {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"})
        if (name == d) return true;
    return name.size() == 4 && (name.rfind("com", 0) == 0 || name.rfind("lpt", 0) == 0) && name[3] >= '0' &&
           name[3] <= '9';
}

void CheckPart(const std::string& part) {
    using fh::fuzz::Require;
    Require(!part.empty() && part != "." && part != "..", "a part is a name");
    for (unsigned char c : part) {
        Require(c >= 0x20 && c != 0x7F, "no control characters");
        Require(std::strchr("<>:\"/\\|?*", c) == nullptr, "no refused characters");
    }
    Require(part.back() != '.' && part.back() != ' ', "no trailing dot or space");
    Require(!IsDevice(part), "no device names");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    const std::vector<std::string> parts = fuzz::Split(fuzz::Text(data, size), '\n');
    const std::string url = parts[0];
    const std::string name = parts.size() > 1 ? parts[1] : "movie";
    const std::string unclassified = parts.size() > 2 ? parts[2] : "unclassified";
    const std::string root = parts.size() > 3 ? "D:\\" + std::string(parts[3].size() % 200, 'r') : "D:\\Saved";
    // "D:\" is a drive's root: its folders follow the one backslash.
    std::string base = root;
    while (!base.empty() && base.back() == '\\') base.pop_back();
    for (const CodePage& cp : {CodePage::Korean(), CodePage::Japanese()}) {
        const SitePath p = BuildSitePath(root, url, name, unclassified, cp);
        if (!p.ok) continue;
        fuzz::Require(p.folder.compare(0, base.size() + 1, base + "\\") == 0, "inside the save folder");
        std::string joined = base;
        for (const std::string& f : p.folders) {
            CheckPart(f);
            joined += "\\" + f;
        }
        CheckPart(p.base);
        fuzz::Require(joined == p.folder, "the folder is its parts");
        fuzz::Require(p.folder.size() <= kMaxSaveFolder, "the folder fits");
        fuzz::Require(p.folder.size() + 1 + p.base.size() + kCounterRoom + 4 <= kMaxSavePath, "the path fits");
    }
    return 0;
}
