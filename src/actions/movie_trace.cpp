#include "actions/movie_trace.h"

#include <chrono>
#include <new>

#include "actions/movie_snapshot.h"
#include "avm1/avm1_stage.h"
#include "discovery/archive_source.h"
#include "player/movie_file.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"
#include "win/platform.h"

namespace fh {

namespace {

// The lines one movie traced; false when it could not be read. `cut` tells
// whether a cap or the time stopped it.
bool TraceMovie(const SwfEntry& entry, int frames, int movieMs, std::string& text, bool& cut) {
    const std::string path = MovieFileOf(entry);
    if (path.empty()) return false;
    FileSource source(path);
    if (!source.IsOpen()) return false;
    std::shared_ptr<SwfMovie> movie = LoadSwfMovie(source);
    if (!movie->Readable()) return false;
    // A movie that traces without end is held to as much text as a script may build.
    constexpr std::size_t kMostText = 64u << 20;
    avm1::StageScriptOptions options;
    options.trace = [&](const std::string& line) {
        if (text.size() + line.size() > kMostText) {
            cut = true;
            return;
        }
        text += line;
        text += "\r\n";
    };
    options.localToUtf8 = SystemToUtf8;
    options.url = entry.url;
    SwfStage stage(movie);
    avm1::StageScripts scripts(stage, options);
    const auto start = std::chrono::steady_clock::now();
    for (int played = 1; played < frames && !scripts.QuitAsked(); ++played) {
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(movieMs)) {
            cut = true;
            break;
        }
        stage.Advance();
    }
    cut = cut || scripts.CutScripts() > 0 || stage.Capped();
    return true;
}

}  // namespace

TraceReport SaveTraces(const SwfEntryList& entries, const std::string& folder, int frames, int movieMs) {
    TraceReport report;
    FreeNameFinder names(SystemCodePage());
    for (const SwfEntry& entry : entries) {
        if (entry.isFolder) continue;
        std::string text;
        bool cut = false;
        bool read = false;
        try {
            read = TraceMovie(entry, frames, movieMs, text, cut);
        } catch (const std::bad_alloc&) {
            // One movie that wants more memory than there is fails alone.
            read = false;
        }
        const std::string target =
            read ? WriteToFreeName(std::vector<unsigned char>(text.begin(), text.end()), folder, entry.name, ".txt", names)
                 : std::string();
        if (target.empty()) {
            report.failed.push_back(entry.name);
            continue;
        }
        ++report.written;
        if (cut) ++report.cut;
    }
    return report;
}

}  // namespace fh
