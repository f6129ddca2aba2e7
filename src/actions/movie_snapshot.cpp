#include "actions/movie_snapshot.h"

#include <windows.h>

#include <chrono>
#include <map>
#include <new>
#include <string>

#include "actions/movie_copies.h"
#include "actions/site_folders.h"
#include "avm1/avm1_stage.h"
#include "discovery/archive_source.h"
#include "gfx/movie_picture.h"
#include "player/movie_file.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh {

std::string WriteToFreeName(const std::vector<unsigned char>& bytes, const std::string& folder, const std::string& base,
                            const char* extension, FreeNameFinder& names) {
    const std::string safe = SafeNamePart(base, SystemCodePage());
    for (;;) {
        const int counter = names.Candidate(folder, safe);
        const std::string target = SaveTarget(folder, safe, counter, extension);
        // Creating only a new file is the check that nothing is overwritten.
        UniqueFile file(::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return std::string();
            names.Taken(folder, safe, counter);
            continue;
        }
        names.Taken(folder, safe, counter);
        DWORD written = 0;
        const bool ok = ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                        written == bytes.size();
        file.Reset();
        if (ok) return target;
        ::DeleteFileA(target.c_str());
        return std::string();
    }
}

std::string SaveSnapshot(const SwfEntry& entry, const std::string& folder, FreeNameFinder& names, bool& cut,
                         int drawMs, int frame) {
    cut = false;
    const std::string path = MovieFileOf(entry);
    if (path.empty()) return std::string();
    FileSource source(path);
    if (!source.IsOpen()) return std::string();
    std::shared_ptr<SwfMovie> movie = LoadSwfMovie(source);
    if (!movie->Readable()) return std::string();
    SwfStage stage(movie);
    // The scripts run on the virtual clock, so the picture is the same every time.
    avm1::StageScriptOptions options;
    options.localToUtf8 = SystemToUtf8;
    options.url = entry.url;
    avm1::StageScripts scripts(stage, options);
    // Playing up to the frame shares the time limit with the drawing: a movie
    // whose frames are slow to build is drawn where it got to, as cut.
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::milliseconds(drawMs);
    for (int played = 1; played < frame && !scripts.QuitAsked(); ++played) {
        if (std::chrono::steady_clock::now() - start > limit) {
            cut = true;
            break;
        }
        stage.Advance();
    }
    stage.SetDrawTimeLimit(drawMs);
    std::vector<unsigned char> png;
    bool drawingCut = false;
    if (!SnapshotPng(stage, png, &drawingCut)) return std::string();
    cut = cut || drawingCut;
    return WriteToFreeName(png, folder, entry.name, ".png", names);
}

SnapshotReport SaveSnapshots(const SwfEntryList& entries, const std::string& folder, int drawMs, int frame,
                             const std::vector<std::string>* onceBy) {
    SnapshotReport report;
    FreeNameFinder names(SystemCodePage());
    OncePerMovie once(onceBy);
    std::map<std::string, bool> cutOf;  // by picture written
    for (const SwfEntry& entry : entries) {
        if (entry.isFolder) continue;
        const std::size_t movie = report.targets.size();
        const std::string earlier = once.WrittenFor(movie);
        if (!earlier.empty()) {
            report.targets.push_back(earlier);
            report.cut.push_back(cutOf[earlier]);
            ++report.copies;
            continue;
        }
        bool cut = false;
        std::string target;
        try {
            target = SaveSnapshot(entry, folder, names, cut, drawMs, frame);
        } catch (const std::bad_alloc&) {
            // One movie that wants more memory than there is fails alone; the batch goes on.
            target.clear();
        }
        once.Wrote(movie, target);
        if (!target.empty()) cutOf[target] = cut;
        report.targets.push_back(target);
        report.cut.push_back(!target.empty() && cut);
        if (target.empty()) report.failed.push_back(entry.name);
        else ++report.written;
        if (!target.empty() && cut) ++report.cutCount;
    }
    return report;
}

}  // namespace fh
