// Command lines, the window's and batch mode's: arguments cut at NUL bytes.

#include "app/batch_args.h"
#include "app/cmdline.h"
#include "fuzz/fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    const std::vector<std::string> args = fuzz::Split(fuzz::Text(data, size), '\0');
    std::vector<const char*> argv{"Flickhold.exe"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    const CodePage cp = CodePage::Korean();
    CFlagCmdLine parser;
    ParseCommandLine(parser, static_cast<int>(argv.size()), argv.data());
    const std::string site = FindSiteArgument(parser.Flags(), cp);
    fuzz::Require(site.empty() || site.size() >= 2, "a site argument has two characters or more");
    const BatchRequest r = ParseBatchArgs(args, cp);
    if (!r.batch) fuzz::Require(r.error == BatchError::None, "no batch error without batch mode");
    if (r.batch && r.error == BatchError::None) {
        fuzz::Require(!r.exportPath.empty() || !r.saveFolder.empty() || !r.snapshotFolder.empty() ||
                          !r.traceFolder.empty(),
                      "batch mode has something to write");
        fuzz::Require(!r.siteFolders || !r.saveFolder.empty(), "site folders only with a save folder");
        fuzz::Require(r.source != BatchSource::Folder || !r.folder.empty(), "a folder source names its folder");
        fuzz::Require(r.snapshotFrame >= 1 && r.snapshotFrame <= kMaxSnapshotFrame, "a snapshot frame is in range");
    }
    return 0;
}
