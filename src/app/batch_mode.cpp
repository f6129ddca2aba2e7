#include "app/batch_mode.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "actions/movie_export.h"
#include "actions/movie_snapshot.h"
#include "actions/movie_trace.h"
#include "discovery/archive_source.h"
#include "discovery/loaders.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {

namespace {

std::string Formatted(UINT id, const std::string& text) {
    const std::string format = LoadResString(id);
    std::vector<char> out(format.size() + text.size() + 64);
    std::snprintf(out.data(), out.size(), format.c_str(), text.c_str());
    return out.data();
}

std::string ErrorText(const BatchRequest& r) {
    switch (r.error) {
    case BatchError::UnknownArgument: return Formatted(IDS_BATCH_UNKNOWN, r.offending);
    case BatchError::RepeatedFlag: return Formatted(IDS_BATCH_REPEATED, r.offending);
    case BatchError::MissingValue: return Formatted(IDS_BATCH_MISSING_VALUE, r.offending);
    case BatchError::BadSource: return Formatted(IDS_BATCH_BAD_SOURCE, r.offending);
    case BatchError::BadSite: return Formatted(IDS_BATCH_BAD_SITE, r.offending);
    case BatchError::NothingToDo: return LoadResString(IDS_BATCH_NOTHING_TO_DO);
    case BatchError::SiteFoldersAlone: return LoadResString(IDS_BATCH_SITE_FOLDERS_ALONE);
    case BatchError::BadFrame: return Formatted(IDS_BATCH_BAD_FRAME, r.offending);
    case BatchError::UniqueAlone: return LoadResString(IDS_BATCH_UNIQUE_ALONE);
    case BatchError::None: break;
    }
    return std::string();
}

SwfEntryList LoadMovies(const BatchRequest& r, const Clock& clock) {
    SwfEntryList entries;
    int counter = 1;
    switch (r.source) {
    case BatchSource::Ie: LoadIeCache(entries, counter, IeCacheFolder(), clock); break;
    case BatchSource::Firefox: LoadFirefoxCache(entries, counter, FirefoxFolders(), clock); break;
    case BatchSource::Folder: LoadChosenFolder(entries, counter, r.folder, clock); break;
    case BatchSource::Archive: LoadArchiveFolder(entries, counter, r.folder, clock); break;
    }
    SwfEntryList movies;
    const CodePage& cp = SystemCodePage();
    for (SwfEntry& e : entries) {
        if (e.isFolder) continue;
        if (!r.site.empty() && !cp.EqualNoCase(e.site, r.site)) continue;
        movies.push_back(std::move(e));
    }
    return movies;
}

}  // namespace

int RunBatch(const BatchRequest& r, const Clock& clock, std::string& message) {
    if (r.error != BatchError::None) {
        message = ErrorText(r) + "\r\n" + LoadResString(IDS_BATCH_USAGE);
        return kBatchBadCommandLine;
    }
    // An empty list of a folder that is not there would pass for "no movies".
    if ((r.source == BatchSource::Folder || r.source == BatchSource::Archive) && !IsFolder(r.folder)) {
        message = Formatted(IDS_BATCH_NO_SOURCE_FOLDER, r.folder);
        return kBatchFailures;
    }
    const SwfEntryList movies = LoadMovies(r, clock);
    // Each movie is hashed once, for saving it once and for the list; with
    // no list, only the movies that may be copies are read.
    std::vector<std::string> hashes;
    if (r.unique)
        hashes = (r.exportPath.empty() ? HashPossibleCopies(movies) : HashMovies(movies))
                     .value_or(std::vector<std::string>());
    const std::vector<std::string>* onceBy = r.unique ? &hashes : nullptr;
    SaveReport report;
    if (!r.saveFolder.empty()) {
        if (!MakeFolders(r.saveFolder)) {
            message = Formatted(IDS_BATCH_FOLDER_FAILED, r.saveFolder);
            return kBatchFailures;
        }
        report = SaveMovies(movies, r.saveFolder, r.siteFolders, LoadResString(IDS_UNCLASSIFIED_FOLDER), onceBy);
    }
    SnapshotReport snapshots;
    if (!r.snapshotFolder.empty()) {
        if (!MakeFolders(r.snapshotFolder)) {
            message = Formatted(IDS_BATCH_FOLDER_FAILED, r.snapshotFolder);
            return kBatchFailures;
        }
        snapshots = SaveSnapshots(movies, r.snapshotFolder, kSnapshotDrawMs, r.snapshotFrame, onceBy);
    }
    TraceReport traces;
    if (!r.traceFolder.empty()) {
        if (!MakeFolders(r.traceFolder)) {
            message = Formatted(IDS_BATCH_FOLDER_FAILED, r.traceFolder);
            return kBatchFailures;
        }
        traces = SaveTraces(movies, r.traceFolder, r.snapshotFrame);
    }
    char summary[256];
    std::snprintf(summary, sizeof summary, LoadResString(IDS_BATCH_SUMMARY).c_str(), static_cast<int>(movies.size()),
                  report.saved, static_cast<int>(report.failed.size()));
    message = summary;
    const int copies = std::max(report.copies, snapshots.copies);
    if (copies > 0) {
        std::snprintf(summary, sizeof summary, LoadResString(IDS_BATCH_COPIES).c_str(), copies);
        message += summary;
    }
    if (!r.snapshotFolder.empty()) {
        char line[256];
        std::snprintf(line, sizeof line, LoadResString(IDS_BATCH_SNAPSHOTS).c_str(), snapshots.written,
                      static_cast<int>(snapshots.failed.size()));
        message += line;
        if (snapshots.cutCount > 0) {
            std::snprintf(line, sizeof line, LoadResString(IDS_BATCH_SNAPSHOTS_CUT).c_str(), snapshots.cutCount);
            message += line;
        }
    }
    if (!r.traceFolder.empty()) {
        char line[256];
        std::snprintf(line, sizeof line, LoadResString(IDS_BATCH_TRACES).c_str(), traces.written,
                      static_cast<int>(traces.failed.size()));
        message += line;
        if (traces.cut > 0) {
            std::snprintf(line, sizeof line, LoadResString(IDS_BATCH_TRACES_CUT).c_str(), traces.cut);
            message += line;
        }
    }
    int exit = report.failed.empty() && snapshots.failed.empty() && traces.failed.empty() ? kBatchDone : kBatchFailures;
    if (!r.exportPath.empty()) {
        if (ExportMovieList(movies, r.exportPath, clock, r.saveFolder.empty() ? nullptr : &report.targets,
                            r.snapshotFolder.empty() ? nullptr : &snapshots, onceBy)) {
            message += Formatted(IDS_BATCH_EXPORTED, r.exportPath);
        } else {
            message += "\r\n" + Formatted(IDS_BATCH_EXPORT_FAILED, r.exportPath);
            exit = kBatchFailures;
        }
    }
    return exit;
}

std::optional<int> RunBatchIfAsked(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(argv[i] ? argv[i] : "");
    SetSystemCodePage(CodePageFromSystem());
    const BatchRequest request = ParseBatchArgs(args, SystemCodePage());
    if (!request.batch) return std::nullopt;
    CreateSettingsKey(HKEY_CURRENT_USER, kProgramKey);
    std::string message;
    const int exit = RunBatch(request, SystemClock(), message);
    RemoveExtractedMovies();
    PrintConsoleLine(message);
    return exit;
}

void PrintConsoleLine(const std::string& line) {
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    UniqueFile console;
    // A program of the window subsystem has no output of its own unless the
    // caller redirected it; then the console it was started from is used.
    if (!out || out == INVALID_HANDLE_VALUE || ::GetFileType(out) == FILE_TYPE_UNKNOWN) {
        if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
        console.Reset(::CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
        if (!console) return;
        out = console.Get();
    }
    const std::string text = line + "\r\n";
    DWORD written = 0;
    ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace fh
