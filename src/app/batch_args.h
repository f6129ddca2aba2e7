#pragma once
// The command line of batch mode: "/export:FILE.csv", "/saveall:FOLDER",
// "/sitefolders", "/source:ie|firefox|folder:PATH|archive:PATH",
// "/snapshot:FOLDER" and "/trace:FOLDER" with "/frame:N", "/unique" and "/site:HOST" (flags begin with "/"
// or "-", names in any letter case). Any but the last turns batch mode on; then every
// argument must be one of these, once.

#include <string>
#include <vector>

#include "base/codepage.h"

namespace fh {

enum class BatchError {
    None,
    UnknownArgument,   // a flag that batch mode does not know, or a bare word
    RepeatedFlag,
    MissingValue,      // "/export:" with nothing after it
    BadSource,         // not ie, firefox or folder:PATH
    BadSite,           // a host shorter than two characters
    NothingToDo,       // none of /export:, /saveall:, /snapshot: and /trace:
    SiteFoldersAlone,  // /sitefolders without /saveall:
    BadFrame,          // /frame: not a whole number from 1 to kMaxSnapshotFrame, or without /snapshot: or /trace:
    UniqueAlone,       // /unique without /saveall: or /snapshot:
};

// The latest frame a snapshot may be asked for: a movie is played that far.
constexpr int kMaxSnapshotFrame = 100000;

enum class BatchSource { Ie, Firefox, Folder, Archive };

struct BatchRequest {
    bool batch = false;
    BatchError error = BatchError::None;
    std::string offending;  // the argument the error is about
    std::string exportPath;
    std::string saveFolder;
    std::string snapshotFolder;  // pictures of the movies' frames
    int snapshotFrame = 1;       // the frame those pictures show, and the frames played for traces
    std::string traceFolder;     // what the movies' scripts trace in that many frames
    bool siteFolders = false;
    bool unique = false;  // each movie saved, and pictured, once
    BatchSource source = BatchSource::Ie;
    std::string folder;  // for BatchSource::Folder and Archive
    std::string site;
};

// `args` are the arguments after the program's name.
BatchRequest ParseBatchArgs(const std::vector<std::string>& args, const CodePage& cp);

}  // namespace fh
