#include "app/batch_args.h"

namespace fh {

namespace {

struct FlagName {
    const char* name;  // with ":" when it takes a value
    bool batchOnly;
};
const FlagName kFlags[] = {{"export:", true}, {"saveall:", true}, {"sitefolders", true}, {"source:", true},
                           {"site:", false}, {"snapshot:", true}, {"frame:", true}, {"unique", true},
                           {"trace:", true}};

void Fail(BatchRequest& r, BatchError error, const std::string& arg) {
    if (r.error != BatchError::None) return;
    r.error = error;
    r.offending = arg;
}

}  // namespace

BatchRequest ParseBatchArgs(const std::vector<std::string>& args, const CodePage& cp) {
    BatchRequest r;
    // Batch mode only when asked for: otherwise the window starts, whatever
    // else the command line holds.
    for (const std::string& arg : args) {
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) continue;
        const std::string lower = cp.ToLower(arg.substr(1));
        for (const FlagName& f : kFlags) {
            const std::string name = f.name;
            const bool takesValue = name.back() == ':';
            if (f.batchOnly && (takesValue ? lower.compare(0, name.size(), name) == 0 : lower == name)) r.batch = true;
        }
    }
    if (!r.batch) return r;

    bool seen[sizeof kFlags / sizeof kFlags[0]] = {};
    for (const std::string& arg : args) {
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) {
            Fail(r, BatchError::UnknownArgument, arg);
            continue;
        }
        const std::string body = arg.substr(1);
        const std::string lower = cp.ToLower(body);
        int which = -1;
        for (int i = 0; i < static_cast<int>(sizeof kFlags / sizeof kFlags[0]); ++i) {
            const std::string name = kFlags[i].name;
            const bool takesValue = name.back() == ':';
            if (takesValue ? lower.compare(0, name.size(), name) == 0 : lower == name) which = i;
        }
        if (which < 0) {
            Fail(r, BatchError::UnknownArgument, arg);
            continue;
        }
        if (seen[which]) {
            Fail(r, BatchError::RepeatedFlag, arg);
            continue;
        }
        seen[which] = true;
        const std::size_t nameLength = std::string(kFlags[which].name).size();
        const std::string value = body.substr(nameLength);
        if (nameLength && kFlags[which].name[nameLength - 1] == ':' && value.empty()) {
            Fail(r, BatchError::MissingValue, arg);
            continue;
        }
        switch (which) {
        case 0: r.exportPath = value; break;
        case 1: r.saveFolder = value; break;
        case 2: r.siteFolders = true; break;
        case 3: {
            const std::string kind = cp.ToLower(value);
            if (kind == "ie") {
                r.source = BatchSource::Ie;
            } else if (kind == "firefox") {
                r.source = BatchSource::Firefox;
            } else if (kind.compare(0, 7, "folder:") == 0 && value.size() > 7) {
                r.source = BatchSource::Folder;
                r.folder = value.substr(7);
            } else if (kind.compare(0, 8, "archive:") == 0 && value.size() > 8) {
                r.source = BatchSource::Archive;
                r.folder = value.substr(8);
            } else {
                Fail(r, BatchError::BadSource, arg);
            }
            break;
        }
        case 4:
            if (value.size() < 2) Fail(r, BatchError::BadSite, arg);
            r.site = value;
            break;
        case 5: r.snapshotFolder = value; break;
        case 7: r.unique = true; break;
        case 8: r.traceFolder = value; break;
        default: {
            int frame = 0;
            for (char c : value) {
                if (c < '0' || c > '9' || frame > kMaxSnapshotFrame) {
                    frame = -1;
                    break;
                }
                frame = frame * 10 + (c - '0');
            }
            if (frame < 1 || frame > kMaxSnapshotFrame) Fail(r, BatchError::BadFrame, arg);
            else r.snapshotFrame = frame;
            break;
        }
        }
    }
    if (r.exportPath.empty() && r.saveFolder.empty() && r.snapshotFolder.empty() && r.traceFolder.empty())
        Fail(r, BatchError::NothingToDo, std::string());
    if (r.siteFolders && r.saveFolder.empty()) Fail(r, BatchError::SiteFoldersAlone, "/sitefolders");
    if (seen[6] && r.snapshotFolder.empty() && r.traceFolder.empty()) Fail(r, BatchError::BadFrame, "/frame:");
    if (r.unique && r.saveFolder.empty() && r.snapshotFolder.empty()) Fail(r, BatchError::UniqueAlone, "/unique");
    return r;
}

}  // namespace fh
