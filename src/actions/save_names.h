#pragma once
// The never-overwrite naming of saved movies: folder\base.swf, and when that
// exists folder\base01.swf, base02.swf, ... ("%s%02d", no upper limit), the
// first that does not exist. The copy itself, which refuses to overwrite, is
// the test of existence; a walk that saves many movies of one base name
// remembers how far the numbers are taken, so each save tries a name or two
// instead of every number from 1 again. The names are those the rule gives.

#include <map>
#include <string>

#include "base/codepage.h"

namespace fh {

// The base for counter 0, the base formatted "%s%02d" otherwise.
std::string NumberedName(const std::string& base, int counter);
// folder + "\" + the numbered base + the extension (".swf" for movies).
std::string SaveTarget(const std::string& folder, const std::string& base, int counter, const char* extension = ".swf");

class FreeNameFinder {
public:
    explicit FreeNameFinder(const CodePage& cp) : m_cp(cp) {}

    // The counter of the first name that is not known to be taken (0 for the plain name).
    int Candidate(const std::string& folder, const std::string& base) const;
    // That name exists now: it was written, or found taken.
    void Taken(const std::string& folder, const std::string& base, int counter);

private:
    std::string Key(const std::string& folder, const std::string& base) const;

    const CodePage& m_cp;
    // The smallest counter that may still be free, per folder and base.
    std::map<std::string, int> m_from;
};

// The parts of a path chosen in the Save As dialog: the file's name without
// its extension, and the folder (empty unless the last backslash is neither
// the first nor the last character).
struct ChosenName {
    std::string name;
    std::string folder;
};
ChosenName SplitChosenPath(const std::string& path, const CodePage& cp);

// True when the last four characters are ".swf" in any letter case.
bool EndsWithSwf(const std::string& path, const CodePage& cp);

}  // namespace fh
