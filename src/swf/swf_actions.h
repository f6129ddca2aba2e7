#pragma once
// The frame actions a movie steers its timelines with, and only those: stop,
// play, next and previous frame, the gotos (by number, by label, and by a
// value pushed before), set-target, and the constants that feed them. An
// action list is read up to the first action that is anything else; that
// one and all after it are not run, and the list says so. Nothing here
// evaluates an expression, so no script can compute, loop or call.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fh {

class SwfReader;

// A constant an action pushes.
struct SwfValue {
    enum class Kind : std::uint8_t { Undefined, Null, Bool, Number, String, Constant } kind = Kind::Undefined;
    double number = 0;  // Number, Bool (0 or 1), Constant (the index into the constant pool)
    std::string text;   // String
};

struct SwfAction {
    enum class Op : std::uint8_t {
        Stop,
        Play,
        NextFrame,
        PreviousFrame,
        GotoFrame,   // `frame`
        GotoLabel,   // `text`
        GotoFrame2,  // pops a frame number (from 1) or a label; `play`, `frame` is the scene bias
        SetTarget,   // `text`
        SetTarget2,  // pops the target
        ConstantPool,
        Push,
    };
    Op op = Op::Stop;
    std::uint16_t frame = 0;       // GotoFrame: 0-based; GotoFrame2: the scene bias
    bool play = false;             // GotoFrame2
    std::string text;              // GotoLabel, SetTarget
    std::vector<SwfValue> values;  // Push; the strings of ConstantPool
};

// One list of actions: a frame's DoAction, a button's actions for a release.
struct SwfActionBlock {
    std::vector<SwfAction> actions;
    bool complete = true;  // false: an action that is not run ended the list
    // The list's records as the movie has them, up to the end flag: what a
    // script engine runs (it reads them again, as a player does).
    std::string code;
};

// Reads action records up to the end flag or the end of the data. `budget`
// (actions and pushed values) is spent as they are read; a list that
// exhausts it ends there, incomplete. Its code is kept whole all the same.
SwfActionBlock ReadActionBlock(SwfReader& r, std::uint64_t& budget);

// A step of a target path: "/a/b", "../a", "_root.a.b", "_parent", "a".
struct SwfPathStep {
    enum class Kind : std::uint8_t { Root, Parent, Child } kind = Kind::Child;
    std::string name;  // Child
};
constexpr std::size_t kSwfMaxPathSteps = 64;
// The steps from the timeline the actions belong to; nothing for "" (that
// timeline itself). No value for a path too long or not a timeline's
// (another level than the first).
std::optional<std::vector<SwfPathStep>> ParseTargetPath(const std::string& path);
// Instance names ignore ASCII case before version 7, as its players did:
// two names match when their keys are equal.
std::string SwfNameKey(const std::string& name, int version);
// Frame labels ignore ASCII case in every version.
std::string SwfLabelKey(const std::string& label);

// The frame (from 1) a number stands for, truncated; none for what is not
// a finite number.
std::optional<long long> FrameNumberOf(double number);

}  // namespace fh
