#pragma once
// Command-line flags: every argument that begins with "-" or "/" is a flag;
// the parser keeps their texts, without that character, in order.

#include <string>
#include <vector>

#include "base/codepage.h"

namespace fh {

class CFlagCmdLine {
public:
    void ParseParam(const std::string& text, bool isFlag, bool isLast);
    const std::vector<std::string>& Flags() const { return m_flags; }

private:
    std::vector<std::string> m_flags;
};

// Feeds every argument after the program name to the parser.
void ParseCommandLine(CFlagCmdLine& parser, int argc, const char* const* argv);

// The host of the first flag "site:<host>" (prefix in any case, host of at
// least two characters), or an empty text.
std::string FindSiteArgument(const std::vector<std::string>& flags, const CodePage& cp);

}  // namespace fh
