#include "swf/swf_action_scan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/codepage.h"

namespace fh {

namespace {

// What a stack slot is known to hold.
struct Val {
    enum class Kind : std::uint8_t { Unknown, String, Number, Object } kind = Kind::Unknown;
    std::string text;  // String; Object: the class it was made from
    double number = 0;
};

// A script keeps few things on its stack; a list that piles up more is
// garbage, and its oldest slots are dropped.
constexpr std::size_t kMaxStack = 4096;
constexpr std::size_t kMaxVariables = 4096;
// Functions nested in functions, each body scanned with a stack of its own.
constexpr std::size_t kMaxNesting = 64;

enum ActionCode : unsigned {
    kAdd = 0x0A,
    kPop = 0x17,
    kStringAdd = 0x21,
    kGetVariable = 0x1C,
    kSetVariable = 0x1D,
    kCallFunction = 0x3D,
    kDefineLocal = 0x3C,
    kNewObject = 0x40,
    kInitArray = 0x42,
    kInitObject = 0x43,
    kAdd2 = 0x47,
    kPushDuplicate = 0x4C,
    kStackSwap = 0x4D,
    kGetMember = 0x4E,
    kSetMember = 0x4F,
    kCallMethod = 0x52,
    kNewMethod = 0x53,
    kGetUrl = 0x83,
    kStoreRegister = 0x87,
    kConstantPool = 0x88,
    kDefineFunction2 = 0x8E,
    kPush = 0x96,
    kJump = 0x99,
    kGetUrl2 = 0x9A,
    kDefineFunction = 0x9B,
};

// How many values an action that only computes takes from the stack and
// leaves on it; {-1, -1} for one whose effect is not modelled.
struct Effect {
    int pops = -1, pushes = -1;
};

Effect EffectOf(unsigned code) {
    switch (code) {
    // Frame and sound controls, gotos, set-target, try and the end of a drag.
    case 0x04: case 0x05: case 0x06: case 0x07: case 0x08: case 0x09: case 0x28:
    case 0x81: case 0x8A: case 0x8B: case 0x8C: case 0x8F: return {0, 0};
    case 0x34: return {0, 1};  // getTimer
    case kPop: case 0x20: case 0x25: case 0x26: case 0x2A: case 0x41: case 0x8D: case 0x94: case 0x9D: case 0x9F:
        return {1, 0};
    // Unary operators, conversions, typeof, targetPath, random, delete of a name.
    case 0x12: case 0x14: case 0x18: case 0x30: case 0x31: case 0x32: case 0x33: case 0x36: case 0x37:
    case 0x3B: case 0x44: case 0x45: case 0x4A: case 0x4B: case 0x50: case 0x51:
        return {1, 1};
    // Binary operators and comparisons, getProperty, delete of a member, instanceof, cast.
    case 0x0B: case 0x0C: case 0x0D: case 0x0E: case 0x0F: case 0x10: case 0x11: case 0x13: case 0x22:
    case 0x29: case 0x2B: case 0x3A: case 0x3F: case 0x48: case 0x49: case 0x54: case 0x60: case 0x61:
    case 0x62: case 0x63: case 0x64: case 0x65: case 0x66: case 0x67: case 0x68:
        return {2, 1};
    case 0x69: return {2, 0};  // extends
    case 0x23: case 0x24: return {3, 0};  // setProperty, duplicateMovieClip
    case 0x15: case 0x35: return {3, 1};  // substring
    default: return {};
    }
}

// Names in scripts are ASCII; before version 7 they ignore case, and a
// reference is worth finding in either.
bool EqualsNoCase(std::string_view a, std::string_view b) { return CodePage().EqualNoCase(a, b); }

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A class name as `new` wrote it, without its package ("flash.net.NetStream").
bool IsClass(const Val& v, const char* name) {
    if (v.kind != Val::Kind::Object) return false;
    const std::size_t dot = v.text.rfind('.');
    return EqualsNoCase(dot == std::string::npos ? v.text : v.text.substr(dot + 1), name);
}

// Numbers join strings as ActionScript writes them; only whole ones are
// written here, the others make the join unknown.
std::optional<std::string> NumberText(double n) {
    if (!std::isfinite(n) || n != std::floor(n) || std::fabs(n) >= 1e15) return std::nullopt;
    return std::to_string(static_cast<long long>(n));
}

}  // namespace

struct SwfActionScanner::State {
    explicit State(SwfReferenceCollector& out) : out(out) {}

    SwfReferenceCollector& out;
    std::vector<Val> stack;
    std::vector<std::string> pool;
    std::array<Val, 256> registers;
    std::unordered_map<std::string, Val> variables;  // names, and ".name" for members of any object

    struct Body {
        std::size_t end;
        std::vector<Val> stack;  // the stack outside the function
        bool pushes;             // an anonymous function leaves itself on the stack
    };
    std::vector<Body> bodies;

    void Push(Val v) {
        // Long strings pushed again and again cost work by their length, so
        // copies of a pool's longest entries end within the budget too.
        out.Spend(v.text.size() / 16);
        if (stack.size() >= kMaxStack) stack.erase(stack.begin(), stack.begin() + kMaxStack / 4);
        stack.push_back(std::move(v));
    }
    Val Pop() {
        if (stack.empty()) return Val();
        Val v = std::move(stack.back());
        stack.pop_back();
        return v;
    }
    // The arguments of a call, first first; none when their count is unknown,
    // and then nothing below them can be trusted either.
    std::optional<std::vector<Val>> Args() {
        const Val count = Pop();
        if (count.kind != Val::Kind::Number || count.number < 0 || count.number > static_cast<double>(stack.size())) {
            stack.clear();
            return std::nullopt;
        }
        std::vector<Val> args(static_cast<std::size_t>(count.number));
        for (Val& a : args) a = Pop();
        return args;
    }
    void Remember(const Val& name, const Val& value, bool member) {
        if (name.kind != Val::Kind::String) return;
        const std::string key = member ? "." + name.text : name.text;
        const auto it = variables.find(key);
        if (it != variables.end()) it->second = value;
        else if (variables.size() < kMaxVariables) variables.emplace(key, value);
    }
    Val Recall(const Val& name, bool member) const {
        if (name.kind != Val::Kind::String) return Val();
        const auto it = variables.find(member ? "." + name.text : name.text);
        return it == variables.end() ? Val() : it->second;
    }

    Val Join(const Val& a, const Val& b) const {
        if (a.kind != Val::Kind::String && b.kind != Val::Kind::String) return Val();
        auto text = [](const Val& v) -> std::optional<std::string> {
            if (v.kind == Val::Kind::String) return v.text;
            if (v.kind == Val::Kind::Number) return NumberText(v.number);
            return std::nullopt;
        };
        const auto left = text(a), right = text(b);
        if (!left || !right || left->size() + right->size() > out.MaxText()) return Val();
        Val v;
        v.kind = Val::Kind::String;
        v.text = *left + *right;
        return v;
    }

    void Url(const Val& url, const Val& target, SwfRefKind use, SwfRefFound how) {
        if (url.kind != Val::Kind::String) return;
        out.Add(url.text, target.kind == Val::Kind::String ? target.text : std::string(), use, how);
    }

    // getURL's target: a level loads a movie there; a window opens a page.
    void GetUrl(const Val& url, const Val& target, SwfRefFound how) {
        const bool level = target.kind == Val::Kind::String && target.text.size() > 6 &&
                           CodePage().StartsWithNoCase(target.text, "_level");
        Url(url, target, level ? SwfRefKind::Movie : SwfRefKind::Page, how);
    }

    void Method(const Val& object, const Val& name, const std::vector<Val>& args) {
        if (name.kind != Val::Kind::String || args.empty()) return;
        const Val& url = args[0];
        const bool shaped = url.kind == Val::Kind::String && HasFileReferenceShape(url.text);
        const std::string& n = name.text;
        if (EqualsNoCase(n, "loadMovie") || EqualsNoCase(n, "loadClip")) {
            Url(url, Val(), SwfRefKind::Movie, SwfRefFound::MethodCall);
        } else if (EqualsNoCase(n, "loadVariables")) {
            Url(url, Val(), SwfRefKind::Data, SwfRefFound::MethodCall);
        } else if (EqualsNoCase(n, "loadSound")) {
            Url(url, Val(), SwfRefKind::Sound, SwfRefFound::MethodCall);
        } else if (EqualsNoCase(n, "load") || EqualsNoCase(n, "sendAndLoad")) {
            // Many objects have a `load`; one made elsewhere counts when its argument looks like a file.
            if (IsClass(object, "XML") || IsClass(object, "LoadVars") || (object.kind == Val::Kind::Unknown && shaped))
                Url(url, Val(), SwfRefKind::Data, SwfRefFound::MethodCall);
        } else if (EqualsNoCase(n, "play")) {
            if (IsClass(object, "NetStream") || (object.kind == Val::Kind::Unknown && shaped))
                Url(url, Val(), SwfRefKind::Video, SwfRefFound::MethodCall);
        } else if (EqualsNoCase(n, "getURL")) {
            GetUrl(url, args.size() > 1 ? args[1] : Val(), SwfRefFound::MethodCall);
        }
    }

    void Function(const Val& name, const std::vector<Val>& args) {
        if (name.kind != Val::Kind::String || args.empty()) return;
        const std::string& n = name.text;
        if (EqualsNoCase(n, "loadMovie") || EqualsNoCase(n, "loadMovieNum"))
            Url(args[0], Val(), SwfRefKind::Movie, SwfRefFound::FunctionCall);
        else if (EqualsNoCase(n, "loadVariables") || EqualsNoCase(n, "loadVariablesNum"))
            Url(args[0], Val(), SwfRefKind::Data, SwfRefFound::FunctionCall);
        else if (EqualsNoCase(n, "getURL"))
            GetUrl(args[0], args.size() > 1 ? args[1] : Val(), SwfRefFound::FunctionCall);
    }

    // A Push's values; false when they could not all be read.
    bool ReadPush(const unsigned char* p, std::size_t len) {
        std::size_t i = 0;
        auto has = [&](std::size_t n) { return len - i >= n; };
        while (i < len) {
            if (!out.Spend()) return false;
            const unsigned type = p[i++];
            Val v;
            switch (type) {
            case 0: {
                const void* nul = std::memchr(p + i, 0, len - i);
                if (!nul) return false;
                const std::size_t end = static_cast<const unsigned char*>(nul) - p;
                v.kind = Val::Kind::String;
                v.text.assign(reinterpret_cast<const char*>(p + i), std::min(end - i, out.MaxText() + 1));
                i = end + 1;
                break;
            }
            case 1: {
                if (!has(4)) return false;
                const std::uint32_t bits = Le32(p + i);
                float f;
                std::memcpy(&f, &bits, sizeof f);
                v.kind = Val::Kind::Number;
                v.number = f;
                i += 4;
                break;
            }
            case 2: case 3: break;
            case 4:
                if (!has(1)) return false;
                v = registers[p[i++]];
                break;
            case 5:
                if (!has(1)) return false;
                ++i;
                break;
            case 6: {
                if (!has(8)) return false;
                // The double's two 32-bit halves come high half first.
                const std::uint64_t bits = static_cast<std::uint64_t>(Le32(p + i)) << 32 | Le32(p + i + 4);
                double d;
                std::memcpy(&d, &bits, sizeof d);
                v.kind = Val::Kind::Number;
                v.number = d;
                i += 8;
                break;
            }
            case 7:
                if (!has(4)) return false;
                v.kind = Val::Kind::Number;
                v.number = static_cast<std::int32_t>(Le32(p + i));
                i += 4;
                break;
            case 8:
            case 9: {
                if (!has(type == 8 ? 1 : 2)) return false;
                const std::size_t index = type == 8 ? p[i] : p[i] | p[i + 1] << 8;
                i += type == 8 ? 1 : 2;
                if (index < pool.size()) {
                    v.kind = Val::Kind::String;
                    v.text = pool[index];
                }
                break;
            }
            default: return false;
            }
            Push(std::move(v));
        }
        return true;
    }

    bool ReadPool(const unsigned char* p, std::size_t len) {
        pool.clear();
        if (len < 2) return false;
        const std::size_t count = p[0] | p[1] << 8;
        std::size_t i = 2;
        for (std::size_t k = 0; k < count && i < len; ++k) {
            if (!out.Spend()) return false;
            const void* nul = std::memchr(p + i, 0, len - i);
            const std::size_t end = nul ? static_cast<const unsigned char*>(nul) - p : len;
            pool.emplace_back(reinterpret_cast<const char*>(p + i), std::min(end - i, out.MaxText() + 1));
            i = end + 1;
        }
        return true;
    }

    // A function's body follows its definition; it is scanned in place with
    // an empty stack, and the stack outside comes back after it.
    void EnterBody(const unsigned char* p, std::size_t len, std::size_t next, bool two) {
        const void* nul = std::memchr(p, 0, len);
        if (!nul) return;
        const bool anonymous = nul == p;
        std::size_t i = static_cast<const unsigned char*>(nul) - p + 1;
        if (len - i < 2) return;
        std::size_t params = p[i] | p[i + 1] << 8;
        i += 2;
        if (two) i += 3;  // register count and flags
        for (std::size_t k = 0; k < params && i < len; ++k) {
            if (two) ++i;  // the parameter's register
            const void* end = i < len ? std::memchr(p + i, 0, len - i) : nullptr;
            if (!end) return;
            i = static_cast<const unsigned char*>(end) - p + 1;
        }
        if (i > len || len - i < 2) return;
        const std::size_t size = p[i] | p[i + 1] << 8;
        if (bodies.size() >= kMaxNesting) {
            stack.clear();
            return;
        }
        bodies.push_back({next + size, std::move(stack), anonymous});
        stack.clear();
    }

    void Scan(const unsigned char* data, std::size_t size) {
        stack.clear();
        pool.clear();
        bodies.clear();
        std::size_t pos = 0;
        while (pos < size) {
            while (!bodies.empty() && pos >= bodies.back().end) {
                stack = std::move(bodies.back().stack);
                if (bodies.back().pushes) Push(Val());
                bodies.pop_back();
            }
            if (!out.Spend()) return;
            const unsigned code = data[pos];
            if (code == 0) return;
            std::size_t len = 0, next = pos + 1;
            if (code >= 0x80) {
                if (size - pos < 3) return;
                len = data[pos + 1] | data[pos + 2] << 8;
                if (size - pos - 3 < len) return;
                next = pos + 3 + len;
            }
            Step(code, data + std::min(pos + 3, size), len, next);
            pos = next;
        }
    }

    void Step(unsigned code, const unsigned char* p, std::size_t len, std::size_t next) {
        switch (code) {
        case kPush:
            if (!ReadPush(p, len)) stack.clear();
            return;
        case kConstantPool: ReadPool(p, len); return;
        case kAdd:
        case kAdd2:
        case kStringAdd: {
            const Val b = Pop(), a = Pop();
            Push(Join(a, b));
            return;
        }
        case kGetVariable: Push(Recall(Pop(), false)); return;
        case kSetVariable:
        case kDefineLocal: {
            const Val value = Pop(), name = Pop();
            Remember(name, value, false);
            return;
        }
        case kGetMember: {
            const Val name = Pop();
            Pop();
            Push(Recall(name, true));
            return;
        }
        case kSetMember: {
            const Val value = Pop(), name = Pop();
            Pop();
            Remember(name, value, true);
            return;
        }
        case kStoreRegister:
            if (len >= 1) registers[p[0]] = stack.empty() ? Val() : stack.back();
            return;
        case kPushDuplicate:
            if (!stack.empty()) Push(Val(stack.back()));
            return;
        case kStackSwap:
            if (stack.size() >= 2) std::swap(stack[stack.size() - 1], stack[stack.size() - 2]);
            return;
        case kNewObject:
        case kNewMethod: {
            const Val name = Pop();
            if (code == kNewMethod) Pop();
            const bool known = Args().has_value();
            Val made;
            if (known && name.kind == Val::Kind::String) {
                made.kind = Val::Kind::Object;
                made.text = name.text;
            }
            Push(made);
            return;
        }
        case kCallFunction: {
            const Val name = Pop();
            if (const auto args = Args()) Function(name, *args);
            Push(Val());
            return;
        }
        case kCallMethod: {
            const Val name = Pop(), object = Pop();
            if (const auto args = Args()) Method(object, name, *args);
            Push(Val());
            return;
        }
        case kInitArray: {
            Args();
            Push(Val());
            return;
        }
        case kInitObject: {
            const Val count = Pop();
            if (count.kind != Val::Kind::Number || count.number < 0 || count.number * 2 > stack.size()) stack.clear();
            else stack.resize(stack.size() - static_cast<std::size_t>(count.number) * 2);
            Push(Val());
            return;
        }
        case kGetUrl: {
            const void* nul = std::memchr(p, 0, len);
            if (!nul) return;
            Val url, target;
            url.kind = target.kind = Val::Kind::String;
            const std::size_t end = static_cast<const unsigned char*>(nul) - p;
            url.text.assign(reinterpret_cast<const char*>(p), end);
            const void* nul2 = std::memchr(p + end + 1, 0, len - end - 1);
            target.text.assign(reinterpret_cast<const char*>(p + end + 1),
                               nul2 ? static_cast<const unsigned char*>(nul2) - (p + end + 1) : len - end - 1);
            GetUrl(url, target, SwfRefFound::GetUrl);
            return;
        }
        case kGetUrl2: {
            const Val target = Pop(), url = Pop();
            const unsigned flags = len ? p[0] : 0;
            if (flags & 0x01) Url(url, target, SwfRefKind::Data, SwfRefFound::GetUrl2);
            else if (flags & 0x02) Url(url, target, SwfRefKind::Movie, SwfRefFound::GetUrl2);
            else GetUrl(url, target, SwfRefFound::GetUrl2);
            return;
        }
        case kDefineFunction:
        case kDefineFunction2: EnterBody(p, len, next, code == kDefineFunction2); return;
        case kJump: stack.clear(); return;
        default: break;
        }
        const Effect e = EffectOf(code);
        if (e.pops < 0) {
            stack.clear();
            return;
        }
        for (int k = 0; k < e.pops; ++k) Pop();
        for (int k = 0; k < e.pushes; ++k) Push(Val());
    }
};

SwfActionScanner::SwfActionScanner(SwfReferenceCollector& out) : m_state(std::make_unique<State>(out)) {}
SwfActionScanner::~SwfActionScanner() = default;

void SwfActionScanner::Scan(const unsigned char* data, std::size_t size) { m_state->Scan(data, size); }

}  // namespace fh
