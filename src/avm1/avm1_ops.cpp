// The interpreter's arithmetic, comparisons, strings and timeline actions.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "avm1/avm1_interp.h"

namespace fh::avm1 {

namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// GetProperty's index, truncated toward zero (-0.8 is 0); -1 for none.
int PropertyIndex(double n) { return n > -1 && n < kDisplayPropCount ? static_cast<int>(n) : -1; }

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

void Interpreter::DoArithmetic(Frame& f, std::uint8_t code) {
    switch (code) {
    case 0x12:
        Push(Value(!ToBoolean(Pop(f), version)));
        return;
    case 0x18:
        Push(Value(ToInteger(m.ToNumber(Pop(f)))));
        return;
    case 0x4A:
        Push(Value(m.ToNumber(Pop(f))));
        return;
    case 0x50:
        Push(Value(m.ToNumber(Pop(f)) + 1));
        return;
    case 0x51:
        Push(Value(m.ToNumber(Pop(f)) - 1));
        return;
    case 0x30: {
        double max = ToInteger(m.ToNumber(Pop(f)));
        m.m_random ^= m.m_random << 13;
        m.m_random ^= m.m_random >> 17;
        m.m_random ^= m.m_random << 5;
        Push(Value(max >= 1 ? std::floor(static_cast<double>(m.m_random) / 4294967296.0 * max) : 0.0));
        return;
    }
    default:
        break;
    }
    Value a = Pop(f);
    Value b = Pop(f);
    if (code == 0x47) {
        // A string on either side joins the two, an object by its toString;
        // otherwise they add as numbers, an object being NaN.
        Value pa = ValueOfOperand(a);
        Value pb = ValueOfOperand(b);
        if (pa.IsString() || pb.IsString()) {
            const Str sb = m.ToStr(pb);
            const Str sa = m.ToStr(pa);
            m.CheckString(sb.Size() + sa.Size());
            Push(Value(sb.Text() + sa.Text()));
        } else {
            const double nan = std::numeric_limits<double>::quiet_NaN();
            Push(Value((pb.IsObject() ? nan : m.ToNumber(pb)) + (pa.IsObject() ? nan : m.ToNumber(pa))));
        }
        return;
    }
    if (code == 0x10 || code == 0x11) {
        bool x = ToBoolean(b, version), y = ToBoolean(a, version);
        Push(Value(code == 0x10 ? x && y : x || y));
        return;
    }
    double x = m.ToNumber(b), y = m.ToNumber(a);
    switch (code) {
    case 0x0A:
        Push(Value(x + y));
        break;
    case 0x0B:
        Push(Value(x - y));
        break;
    case 0x0C:
        Push(Value(x * y));
        break;
    case 0x0D:
        // Version 4 had no infinities: a division by zero gave an error text.
        if (version < 5 && y == 0) {
            Push(Value("#ERROR#"));
        } else {
            Push(Value(x / y));
        }
        break;
    case 0x3F:
        Push(Value(std::fmod(x, y)));
        break;
    case 0x60:
        Push(Value(static_cast<double>(ToInt32(x) & ToInt32(y))));
        break;
    case 0x61:
        Push(Value(static_cast<double>(ToInt32(x) | ToInt32(y))));
        break;
    case 0x62:
        Push(Value(static_cast<double>(ToInt32(x) ^ ToInt32(y))));
        break;
    case 0x63:
        Push(Value(static_cast<double>(static_cast<std::int32_t>(ToUint32(x) << (ToUint32(y) & 31)))));
        break;
    case 0x64:
        Push(Value(static_cast<double>(ToInt32(x) >> (ToUint32(y) & 31))));
        break;
    case 0x65:
        Push(Value(static_cast<double>(ToUint32(x) >> (ToUint32(y) & 31))));
        break;
    default:
        break;
    }
}

Value Interpreter::ValueOfOperand(const Value& v) {
    Object* o = v.Obj();
    if (!o || o->Kind() == ObjKind::Timeline) return m.ToPrimitive(v);
    // Only valueOf is asked: none gives undefined, an object keeps the operand as it is.
    Value f = m.Get(v, "valueOf");
    if (!f.Obj() || f.Obj()->Kind() != ObjKind::Function) return Value();
    Value r = m.Call(f, v, {});
    return r.IsPrimitive() ? r : v;
}

// Strict equality, but for clips: a clip is reached by its path, so two
// references that lead to the same clip are the same.
bool Interpreter::SameValue(const Value& a, const Value& b) {
    Object* x = a.Obj();
    Object* y = b.Obj();
    if (x && y && x != y && x->Kind() == ObjKind::Timeline && y->Kind() == ObjKind::Timeline) {
        const TimelineId tx = m.TimelineOf(x);
        return tx != kNoTimeline && m.ResolveTarget(m.GetHost().Root(), m.DotPath(tx)) ==
                                        m.ResolveTarget(m.GetHost().Root(), m.DotPath(m.TimelineOf(y)));
    }
    return StrictEquals(a, b);
}

Value Interpreter::Equals2(const Value& a, const Value& b) {
    Value x = a, y = b;
    for (int round = 0; round < 4; ++round) {
        Type tx = x.GetType(), ty = y.GetType();
        if (tx == ty) return Value(SameValue(x, y));
        if (x.IsNullish() && y.IsNullish()) return Value(true);
        // An object is converted even against undefined: one with no primitive equals it.
        if (tx == Type::Object && y.IsNullish()) {
            x = ValueOfOperand(x);
            if (x.IsObject()) return Value(false);
            continue;
        }
        if (ty == Type::Object && x.IsNullish()) {
            y = ValueOfOperand(y);
            if (y.IsObject()) return Value(false);
            continue;
        }
        if (x.IsNullish() || y.IsNullish()) return Value(false);
        if (tx == Type::Number && ty == Type::String) return Value(x.Number() == m.ToNumber(y));
        if (tx == Type::String && ty == Type::Number) return Value(m.ToNumber(x) == y.Number());
        if (tx == Type::Boolean) {
            x = Value(x.Number());
            continue;
        }
        if (ty == Type::Boolean) {
            y = Value(y.Number());
            continue;
        }
        if (tx == Type::Object) {
            x = ValueOfOperand(x);
            if (x.IsObject()) return Value(false);
            continue;
        }
        if (ty == Type::Object) {
            y = ValueOfOperand(y);
            if (y.IsObject()) return Value(false);
            continue;
        }
        return Value(false);
    }
    return Value(false);
}

Value Interpreter::Less(const Value& a, const Value& b) {
    // An object valueOf leaves an object compares false, before the other side is even asked.
    Value x = m.ToPrimitive(a, Machine::Hint::Number);
    if (x.IsObject()) return Value(false);
    Value y = m.ToPrimitive(b, Machine::Hint::Number);
    if (y.IsObject()) return Value(false);
    if (x.IsString() && y.IsString()) return Value(x.String().Text() < y.String().Text());
    double nx = m.ToNumber(x), ny = m.ToNumber(y);
    if (std::isnan(nx) || std::isnan(ny)) return Value();
    return Value(nx < ny);
}

void Interpreter::DoCompare(Frame& f, std::uint8_t code) {
    Value a = Pop(f);
    Value b = Pop(f);
    switch (code) {
    case 0x0E:
    case 0x0F: {
        double x = m.ToNumber(b), y = m.ToNumber(a);
        bool r = code == 0x0E ? NumbersEqual(x, y) : x < y;
        Push(Value(r));
        break;
    }
    case 0x48:
    case 0x67: {
        Push(code == 0x48 ? Less(b, a) : Less(a, b));
        break;
    }
    case 0x49:
        Push(Equals2(b, a));
        break;
    case 0x66:
        Push(Value(SameValue(b, a)));
        break;
    default:
        break;
    }
}

void Interpreter::DoString(Frame& f, std::uint8_t code) {
    switch (code) {
    case 0x13:
    case 0x29:
    case 0x68: {
        Str a = m.ToStr(Pop(f));
        Str b = m.ToStr(Pop(f));
        bool r = code == 0x13 ? b.Text() == a.Text() : code == 0x29 ? b.Text() < a.Text() : b.Text() > a.Text();
        Push(Value(r));
        break;
    }
    case 0x14:
    case 0x31:
        Push(Value(static_cast<double>(Utf8Length(m.ToString(Pop(f))))));
        break;
    case 0x15:
    case 0x35: {
        double count = ToInteger(m.ToNumber(Pop(f)));
        double index = ToInteger(m.ToNumber(Pop(f)));
        std::string s = m.ToString(Pop(f));
        // The index counts from 1; a negative count runs to the end.
        if (index < 1) index = 1;
        if (count < 0) count = static_cast<double>(s.size());
        double start = std::min(index - 1, static_cast<double>(s.size()));
        Push(Value(Utf8Slice(s, static_cast<std::size_t>(start),
                             static_cast<std::size_t>(std::min(count, static_cast<double>(s.size()))))));
        break;
    }
    case 0x21: {
        Str a = m.ToStr(Pop(f));
        Str b = m.ToStr(Pop(f));
        m.CheckString(a.Size() + b.Size());
        Push(Value(b.Text() + a.Text()));
        break;
    }
    case 0x32:
    case 0x36:
        Push(Value(static_cast<double>(Utf8CodeAt(m.ToString(Pop(f)), 0))));
        break;
    case 0x33:
    case 0x37: {
        std::uint32_t c = ToUint32(m.ToNumber(Pop(f)));
        if (code == 0x33) c &= 0xFF;
        if (c == 0) {
            Push(Value(""));
        } else if (code == 0x33 && c >= 0x80 && version < 6) {
            Push(Value(m.GetHost().LocalToUtf8(std::string(1, static_cast<char>(c)))));
        } else {
            Push(Value(Utf8Encode(c)));
        }
        break;
    }
    case 0x4B:
        Push(Value(m.ToStr(Pop(f))));
        break;
    default:
        break;
    }
}

void Interpreter::DoTimeline(Frame& f, std::uint8_t code, const std::uint8_t* p, std::size_t len) {
    Host& host = m.GetHost();
    // A target gone from the stage leaves the base clip, else the root, steered.
    TimelineId t = f.target;
    if (t != kNoTimeline && !host.Alive(t)) t = FrameTimeline(f);
    auto targetOf = [&](const Value& v) -> TimelineId {
        Object* o = v.Obj();
        if (o && o->Kind() == ObjKind::Timeline) return m.TimelineOf(o);
        // Another object stands for the path its text gives.
        std::string path = m.ToString(v);
        return path.empty() ? t : m.ResolveTarget(t ? t : OriginalTimeline(f), path);
    };
    auto retarget = [&](TimelineId to) {
        f.target = to;
        Object* o = to == kNoTimeline ? nullptr : m.TimelineObject(to);
        f.scope.front() = o ? o : f.original;
    };
    // Back to the frame's own clip; with it gone, to the root.
    auto untarget = [&] {
        f.scope.front() = f.original;
        f.target = FrameTimeline(f);
    };
    auto fsCommand = [&](const std::string& url, const std::string& window) {
        if (url.size() >= 10 && NameIs(url.substr(0, 10), "fscommand:")) host.FsCommand(url.substr(10), window);
    };
    switch (code) {
    case 0x04:
        if (t) host.NextFrame(t);
        break;
    case 0x05:
        if (t) host.PrevFrame(t);
        break;
    case 0x06:
        if (t) host.Play(t);
        break;
    case 0x07:
        if (t) host.Stop(t);
        break;
    case 0x20: {
        Value v = Pop(f);
        Object* o = v.Obj();
        if (o && o->Kind() == ObjKind::Timeline) {
            retarget(m.TimelineOf(o));
            break;
        }
        std::string path = m.ToString(v);
        if (path.empty()) {
            untarget();
        } else {
            retarget(m.ResolveTarget(OriginalTimeline(f), path));
        }
        break;
    }
    case 0x22: {
        int index = PropertyIndex(m.ToNumber(Pop(f)));
        TimelineId of = targetOf(Pop(f));
        Push(of != kNoTimeline && host.Alive(of) ? m.DisplayProperty(of, index) : Value());
        break;
    }
    case 0x23: {
        Value v = Pop(f);
        int index = PropertyIndex(m.ToNumber(Pop(f)));
        TimelineId of = targetOf(Pop(f));
        if (of != kNoTimeline && index >= 0 && index < kDisplayPropCount) host.SetProperty(of, index, v);
        break;
    }
    case 0x24: {
        // CloneSprite's depth counts from the timeline's lowest, 16384 below the scripts' 0.
        const double depth = m.ToNumber(Pop(f));
        const std::string name = m.ToString(Pop(f));
        const TimelineId source = targetOf(Pop(f));
        if (source != kNoTimeline && std::isfinite(depth) && std::fabs(depth) < 1e9)
            host.DuplicateClip(source, name, static_cast<int>(depth) - 16384);
        break;
    }
    case 0x25: {
        TimelineId of = targetOf(Pop(f));
        if (of != kNoTimeline) host.RemoveClip(of);
        break;
    }
    case 0x26: {
        Value v = Pop(f);
        m.TraceValue(v);
        break;
    }
    case 0x27: {
        // StartDrag: target, lock to the origin, whether boxed, then the box (bottom first).
        const TimelineId of = targetOf(Pop(f));
        const bool lock = ToBoolean(Pop(f), version);
        SwfBox limits;
        if (ToBoolean(Pop(f), version)) {
            double box[4];
            for (double& v : box) v = m.ToNumber(Pop(f));
            limits = {std::min(box[3], box[1]), std::min(box[2], box[0]), std::max(box[3], box[1]),
                      std::max(box[2], box[0])};
        }
        if (of != kNoTimeline) host.StartDrag(of, lock, limits);
        break;
    }
    case 0x28:
        host.StopDrag();
        break;
    case 0x08:
    case 0x09:
        break;
    case 0x34:
        Push(Value(std::floor(host.NowMs())));
        break;
    case 0x45: {
        Object* o = Pop(f).Obj();
        const TimelineId of = o && o->Kind() == ObjKind::Timeline ? m.TimelineOf(o) : kNoTimeline;
        if (of != kNoTimeline) {
            Push(Value(m.DotPath(of)));
        } else {
            Push(Value());
        }
        break;
    }
    case 0x81:
        if (len >= 2 && t) host.GotoFrame(t, U16(p) + 1, false);
        break;
    case 0x83: {
        std::size_t i = 0;
        const void* z = std::memchr(p, 0, len);
        if (!z) break;
        i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - p);
        std::string url(reinterpret_cast<const char*>(p), i);
        const void* z2 = std::memchr(p + i + 1, 0, len - i - 1);
        std::string window = z2 ? std::string(reinterpret_cast<const char*>(p + i + 1),
                                              static_cast<const std::uint8_t*>(z2) - (p + i + 1))
                                : std::string();
        fsCommand(url, window);
        break;
    }
    case 0x8A:
        break;  // every frame is loaded: nothing is skipped
    case 0x8D:
        Pop(f);
        break;
    case 0x8B: {
        const void* z = std::memchr(p, 0, len);
        std::string path = z ? std::string(reinterpret_cast<const char*>(p), static_cast<const std::uint8_t*>(z) - p)
                             : std::string();
        if (path.empty()) {
            untarget();
        } else {
            retarget(m.ResolveTarget(OriginalTimeline(f), path));
        }
        break;
    }
    case 0x8C: {
        const void* z = std::memchr(p, 0, len);
        if (z && t)
            host.GotoLabel(t, std::string(reinterpret_cast<const char*>(p), static_cast<const std::uint8_t*>(z) - p),
                           false);
        break;
    }
    case 0x9A: {
        Value window = Pop(f);
        const std::string url = m.ToString(Pop(f));
        // unloadMovie(target): no address, a clip as the target. A load fetches nothing.
        if (len >= 1 && (p[0] & 0x40)) {
            const TimelineId of = url.empty() ? targetOf(window) : kNoTimeline;
            if (of != kNoTimeline) host.UnloadClip(of);
            break;
        }
        fsCommand(url, m.ToString(window));
        break;
    }
    case 0x9E: {
        // A frame's actions, by number or label, after "path:" on another timeline.
        std::string s = m.ToString(Pop(f));
        TimelineId to = t;
        const std::size_t colon = s.rfind(':');
        if (colon != std::string::npos) {
            to = m.ResolveTarget(OriginalTimeline(f), s.substr(0, colon));
            s = s.substr(colon + 1);
        }
        int frame = to != kNoTimeline ? host.LabelFrame(to, s) : 0;
        if (frame <= 0 && AllDigits(s) && s.size() <= 9) frame = std::stoi(s);
        if (to != kNoTimeline && frame >= 1) host.CallFrame(to, frame);
        HaltIfGone(f);
        break;
    }
    case 0x9F: {
        if (len < 1) break;
        bool play = p[0] & 1;
        int bias = (p[0] & 2) && len >= 3 ? U16(p + 1) : 0;
        // Every value is read as its text: a label, else digits; a number
        // with a fraction or a sign, NaN or undefined goes nowhere (unless a
        // frame has that label), and the scene bias counts for labels too.
        std::string s = m.ToString(Pop(f));
        TimelineId to = t;
        std::size_t colon = s.rfind(':');
        if (colon != std::string::npos) {
            to = m.ResolveTarget(OriginalTimeline(f), s.substr(0, colon));
            s = s.substr(colon + 1);
        }
        if (to == kNoTimeline) break;
        long long frame = host.LabelFrame(to, s);
        if (frame <= 0 && AllDigits(s)) {
            // The players keep the digits' value in 32 bits.
            std::uint32_t n = 0;
            for (char c : s) n = n * 10u + static_cast<std::uint32_t>(c - '0');
            frame = n;
        }
        if (frame >= 1)
            host.GotoFrame(to, static_cast<int>(std::min<long long>(frame + bias, std::numeric_limits<int>::max())),
                           play);
        break;
    }
    default:
        break;
    }
}

}  // namespace fh::avm1
