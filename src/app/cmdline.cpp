#include "app/cmdline.h"

namespace fh {

void CFlagCmdLine::ParseParam(const std::string& text, bool isFlag, bool /*isLast*/) {
    if (isFlag) m_flags.push_back(text);
}

void ParseCommandLine(CFlagCmdLine& parser, int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i] ? argv[i] : "";
        bool isFlag = !arg.empty() && (arg[0] == '-' || arg[0] == '/');
        parser.ParseParam(isFlag ? arg.substr(1) : arg, isFlag, i + 1 == argc);
    }
}

std::string FindSiteArgument(const std::vector<std::string>& flags, const CodePage& cp) {
    static const char kPrefix[] = "site:";
    const std::size_t prefixLength = sizeof(kPrefix) - 1;
    for (const std::string& flag : flags) {
        if (flag.size() <= prefixLength + 1) continue;
        if (cp.ToLower(flag.substr(0, prefixLength)) != kPrefix) continue;
        return flag.substr(prefixLength);
    }
    return std::string();
}

}  // namespace fh
