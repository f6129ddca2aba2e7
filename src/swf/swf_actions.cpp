#include "swf/swf_actions.h"

#include <cmath>
#include <algorithm>
#include <cstring>

#include "base/codepage.h"
#include "swf/swf_reader.h"

namespace fh {

namespace {

enum ActionCode : unsigned {
    kEndFlag = 0x00,
    kNextFrame = 0x04,
    kPreviousFrame = 0x05,
    kPlay = 0x06,
    kStop = 0x07,
    kSetTarget2 = 0x20,
    kGotoFrame = 0x81,
    kConstantPool = 0x88,
    kSetTarget = 0x8B,
    kGoToLabel = 0x8C,
    kPush = 0x96,
    kGotoFrame2 = 0x9F,
};

// The values of a Push; false for a type that is not a constant's.
bool ReadPush(SwfReader& r, std::vector<SwfValue>& values, std::uint64_t& budget) {
    while (r.Remaining() > 0) {
        if (budget == 0) return false;
        --budget;
        SwfValue v;
        switch (r.U8()) {
        case 0:
            v.kind = SwfValue::Kind::String;
            v.text = r.String();
            break;
        case 1: {
            const std::uint32_t bits = r.U32();
            float f;
            std::memcpy(&f, &bits, sizeof f);
            v.kind = SwfValue::Kind::Number;
            v.number = f;
            break;
        }
        case 2: v.kind = SwfValue::Kind::Null; break;
        case 3: break;
        case 4: r.U8(); break;  // a register: nothing here ever stores one, so it holds undefined
        case 5:
            v.kind = SwfValue::Kind::Bool;
            v.number = r.U8() != 0;
            break;
        case 6: {
            // The double's two 32-bit halves come high half first.
            const std::uint64_t high = r.U32(), low = r.U32();
            const std::uint64_t bits = high << 32 | low;
            double d;
            std::memcpy(&d, &bits, sizeof d);
            v.kind = SwfValue::Kind::Number;
            v.number = d;
            break;
        }
        case 7:
            v.kind = SwfValue::Kind::Number;
            v.number = static_cast<std::int32_t>(r.U32());
            break;
        case 8:
            v.kind = SwfValue::Kind::Constant;
            v.number = r.U8();
            break;
        case 9:
            v.kind = SwfValue::Kind::Constant;
            v.number = r.U16();
            break;
        default: return false;
        }
        if (r.Overrun()) return false;
        values.push_back(std::move(v));
    }
    return true;
}

// One action's payload read into `a`; false for an action that is not run.
bool ReadAction(unsigned code, SwfReader& payload, SwfAction& a, std::uint64_t& budget) {
    switch (code) {
    case kNextFrame: a.op = SwfAction::Op::NextFrame; return true;
    case kPreviousFrame: a.op = SwfAction::Op::PreviousFrame; return true;
    case kPlay: a.op = SwfAction::Op::Play; return true;
    case kStop: a.op = SwfAction::Op::Stop; return true;
    case kSetTarget2: a.op = SwfAction::Op::SetTarget2; return true;
    case kGotoFrame:
        a.op = SwfAction::Op::GotoFrame;
        a.frame = payload.U16();
        return !payload.Overrun();
    case kGoToLabel:
    case kSetTarget:
        a.op = code == kGoToLabel ? SwfAction::Op::GotoLabel : SwfAction::Op::SetTarget;
        a.text = payload.String();
        return true;
    case kGotoFrame2: {
        a.op = SwfAction::Op::GotoFrame2;
        const std::uint8_t flags = payload.U8();
        a.play = (flags & 0x01) != 0;
        if (flags & 0x02) a.frame = payload.U16();
        return !payload.Overrun();
    }
    case kConstantPool: {
        a.op = SwfAction::Op::ConstantPool;
        const std::uint16_t count = payload.U16();
        for (std::uint16_t i = 0; i < count && !payload.Overrun(); ++i) {
            if (budget == 0) return false;
            --budget;
            SwfValue v;
            v.kind = SwfValue::Kind::String;
            v.text = payload.String();
            a.values.push_back(std::move(v));
        }
        return !payload.Overrun();
    }
    case kPush: a.op = SwfAction::Op::Push; return ReadPush(payload, a.values, budget);
    default: return false;
    }
}

}  // namespace

namespace {

// The records from `at` to the end flag (or the data's end), whatever they are.
std::string CodeFrom(const SwfReader& r, std::size_t at) {
    std::size_t end = at;
    while (end < r.Size()) {
        const unsigned code = r.Data()[end];
        if (code == kEndFlag) break;
        std::size_t next = end + 1;
        if (code >= 0x80) {
            if (next + 2 > r.Size()) {
                end = r.Size();
                break;
            }
            next += 2 + (r.Data()[end + 1] | r.Data()[end + 2] << 8);
        }
        end = std::min(next, r.Size());
    }
    return std::string(reinterpret_cast<const char*>(r.Data()) + at, end - at);
}

}  // namespace

SwfActionBlock ReadActionBlock(SwfReader& r, std::uint64_t& budget) {
    SwfActionBlock block;
    block.code = CodeFrom(r, r.Position());
    while (r.Remaining() > 0) {
        const unsigned code = r.U8();
        if (code == kEndFlag) return block;
        std::size_t length = 0;
        if (code >= 0x80) length = r.U16();
        if (r.Overrun() || length > r.Remaining() || budget == 0) {
            block.complete = false;
            return block;
        }
        --budget;
        SwfReader payload(r.Data() + r.Position(), length);
        r.Seek(r.Position() + length);
        SwfAction a;
        if (!ReadAction(code, payload, a, budget)) {
            block.complete = false;
            return block;
        }
        block.actions.push_back(std::move(a));
    }
    return block;
}

std::string SwfNameKey(const std::string& name, int version) {
    // A code page without lead bytes folds every ASCII letter, byte by byte.
    return version >= 7 ? name : CodePage().ToLower(name);
}

std::string SwfLabelKey(const std::string& label) { return CodePage().ToLower(label); }

std::optional<std::vector<SwfPathStep>> ParseTargetPath(const std::string& path) {
    std::vector<SwfPathStep> steps;
    auto add = [&](SwfPathStep::Kind kind, std::string name = std::string()) {
        if (steps.size() >= kSwfMaxPathSteps) return false;
        steps.push_back({kind, std::move(name)});
        return true;
    };
    auto named = [&](const std::string& part) {
        if (part == "_root" || part == "_level0") return add(SwfPathStep::Kind::Root);
        if (part == "_parent" || part == "..") return add(SwfPathStep::Kind::Parent);
        if (part == "this" || part == ".") return true;
        // Other levels are other movies, which no movie here has.
        if (part.rfind("_level", 0) == 0) return false;
        return add(SwfPathStep::Kind::Child, part);
    };
    // Slash paths ("/a/b", "../a", "a/b") unless the path has dots between names.
    const bool slashes = path.find('/') != std::string::npos || path.find('.') == std::string::npos ||
                         path.rfind("..", 0) == 0;
    std::size_t at = 0;
    if (slashes && !path.empty() && path[0] == '/') {
        if (!add(SwfPathStep::Kind::Root)) return std::nullopt;
        at = 1;
    }
    const char separator = slashes ? '/' : '.';
    while (at < path.size()) {
        std::size_t end = path.find(separator, at);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(at, end - at);
        if (!part.empty() && !named(part)) return std::nullopt;
        at = end + 1;
    }
    return steps;
}

std::optional<long long> FrameNumberOf(double number) {
    if (!std::isfinite(number) || std::fabs(number) > 1e15) return std::nullopt;
    return static_cast<long long>(number);
}

}  // namespace fh
