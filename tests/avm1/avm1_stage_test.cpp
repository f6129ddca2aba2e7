// A movie's scripts on its stage: what they read and change of the
// timelines, what survives from frame to frame, the virtual clock, and
// init actions before the frame's own.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "avm1/avm1_stage.h"
#include "support/swf_shapes.h"
#include "swf/swf_movie.h"
#include "swf/swf_stage.h"

namespace fh {
namespace {

using Tags = std::vector<std::pair<unsigned, std::string>>;

// Action records, written as a movie holds them.
std::string Op(unsigned code) { return std::string(1, static_cast<char>(code)); }
std::string Push(const std::vector<std::string>& strings) {
    std::string body;
    for (const std::string& s : strings) body += std::string(1, '\0') + s + std::string(1, '\0');
    return Op(0x96) + static_cast<char>(body.size() & 0xFF) + static_cast<char>(body.size() >> 8) + body;
}
const std::string kGetVariable = Op(0x1C), kSetVariable = Op(0x1D), kGetMember = Op(0x4E), kSetMember = Op(0x4F),
                  kTrace = Op(0x26), kCallMethod = Op(0x52), kPop = Op(0x17), kGetTime = Op(0x34),
                  kTypeOf = Op(0x44);
std::pair<unsigned, std::string> DoAction(const std::string& records) { return {12, records + Op(0)}; }
// trace(a.b) for a variable path a.
std::string TraceMember(const std::string& variable, const std::string& member) {
    return Push({variable}) + kGetVariable + Push({member}) + kGetMember + kTrace;
}

std::vector<std::string> Play(const std::string& bytes, int frames) {
    MemorySource source(bytes);
    std::shared_ptr<SwfMovie> movie = LoadSwfMovie(source);
    SwfStage stage(movie);
    std::vector<std::string> lines;
    avm1::StageScriptOptions options;
    options.trace = [&](const std::string& line) { lines.push_back(line); };
    avm1::StageScripts scripts(stage, options);
    for (int played = 1; played < frames; ++played) stage.Advance();
    return lines;
}

TEST(StageScripts, ScriptsReadAndSteerTheTimelinesAndKeepTheirVariables) {
    test::Place3Fields named;
    named.character = 1;
    named.name = "clip";
    const std::string frame1 =
        // clip._x = 50; clip.gotoAndStop(2); n = "kept"
        Push({"clip"}) + kGetVariable + Push({"_x", "50"}) + kSetMember + Push({"2", "1"}) + Op(0x4A) /* ToNumber */ +
        Push({"clip"}) + kGetVariable + Push({"gotoAndStop"}) + kCallMethod + kPop + Push({"n", "kept"}) + kSetVariable +
        TraceMember("clip", "_x") + TraceMember("clip", "_name") + TraceMember("clip", "_target") +
        TraceMember("clip", "_currentframe") + Push({"clip"}) + kGetVariable + kTypeOf + kTrace;
    const std::string frame2 = Push({"n"}) + kGetVariable + kTrace + kGetTime + kTrace + Push({"clip"}) + kGetVariable +
                               kTypeOf + kTrace;
    const std::string movie = test::MovieOf(
        100, 100,
        {test::Sprite(1, {test::ShowFrame(), test::ShowFrame()}), test::Place3(1, named), DoAction(frame1),
         test::ShowFrame(), test::Remove(1), DoAction(frame2), test::ShowFrame()},
        8);
    // 24 frames a second: frame 2 comes 41 ms in on the virtual clock. The
    // clip removed in frame 2 is no longer there for the script.
    const std::vector<std::string> want = {"50", "clip", "/clip", "2", "movieclip", "kept", "41", "undefined"};
    EXPECT_EQ(want, Play(movie, 2));
}

TEST(StageScripts, InitActionsRunOnceBeforeTheFramesOwnScripts) {
    const std::pair<unsigned, std::string> init = {59, std::string("\x01\x00", 2) + Push({"init"}) + kTrace + Op(0)};
    const std::string movie = test::MovieOf(
        100, 100,
        {test::Sprite(1, {DoAction(Push({"sprite"}) + kTrace), test::ShowFrame()}), test::Place(1, 1),
         DoAction(Push({"root"}) + kTrace), init, test::ShowFrame(), test::ShowFrame()},
        8);
    // Init actions first, though queued last; when the movie loops back to
    // frame 1 they do not run again (nor does the sprite's, which stays).
    const std::vector<std::string> want = {"init", "sprite", "root", "root"};
    EXPECT_EQ(want, Play(movie, 3));
}

}  // namespace
}  // namespace fh
