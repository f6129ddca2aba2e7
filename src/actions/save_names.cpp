#include "actions/save_names.h"

#include <cstdio>
#include <vector>

namespace fh {

std::string NumberedName(const std::string& base, int counter) {
    if (counter <= 0) return base;
    std::vector<char> name(base.size() + 16);
    std::snprintf(name.data(), name.size(), "%s%02d", base.c_str(), counter);
    return name.data();
}

std::string SaveTarget(const std::string& folder, const std::string& base, int counter, const char* extension) {
    return folder + "\\" + NumberedName(base, counter) + extension;
}

std::string FreeNameFinder::Key(const std::string& folder, const std::string& base) const {
    return m_cp.ToLower(folder + "\\" + base);
}

int FreeNameFinder::Candidate(const std::string& folder, const std::string& base) const {
    auto known = m_from.find(Key(folder, base));
    return known == m_from.end() ? 0 : known->second;
}

void FreeNameFinder::Taken(const std::string& folder, const std::string& base, int counter) {
    int& from = m_from[Key(folder, base)];
    if (counter + 1 > from) from = counter + 1;
}

ChosenName SplitChosenPath(const std::string& path, const CodePage& cp) {
    ChosenName chosen;
    const std::size_t slash = cp.FindLast(path, '\\');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::string file = path.substr(start);
    const std::size_t dot = cp.FindLast(file, '.');
    chosen.name = dot == std::string::npos ? file : file.substr(0, dot);
    if (slash != std::string::npos && slash != 0 && slash + 1 != path.size()) chosen.folder = path.substr(0, slash);
    return chosen;
}

bool EndsWithSwf(const std::string& path, const CodePage& cp) {
    if (path.size() < 4) return false;
    return cp.ToLower(path.substr(path.size() - 4)) == ".swf";
}

}  // namespace fh
