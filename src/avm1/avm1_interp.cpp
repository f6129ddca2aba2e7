#include "avm1/avm1_interp.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fh::avm1 {

namespace {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// The actions Run takes inline, numbered densely so that its switch is one
// jump through a table; the rest (0) go through Step.
enum Inline : std::uint8_t { kStep, kPush, kPop, kGetVar, kSetVar, kGetMember, kSetMember, kBinary, kIncDec, kNot,
                             kReturn, kJump, kIf, kCall };

struct InlineTable {
    std::uint8_t of[256] = {};
    constexpr InlineTable() {
        of[0x96] = kPush;
        of[0x17] = kPop;
        of[0x1C] = kGetVar;
        of[0x1D] = kSetVar;
        of[0x4E] = kGetMember;
        of[0x4F] = kSetMember;
        of[0x0A] = of[0x0B] = of[0x0C] = of[0x47] = of[0x48] = kBinary;
        of[0x50] = of[0x51] = kIncDec;
        of[0x12] = kNot;
        of[0x3E] = kReturn;
        of[0x99] = kJump;
        of[0x9D] = kIf;
        of[0x3D] = kCall;
    }
};
constexpr InlineTable kInline;

}  // namespace

Value& Interpreter::Top(Frame& f) {
    if (m.m_stack.size() <= f.stackBase) Push(Value());
    return m.m_stack.back();
}

// GetVariable. A name on the stack gives way to its value in place: nested
// calls push above it, and its text outlives a move of the stack.
inline void Interpreter::GetVariableAction(Frame& f) {
    std::vector<Value>& s = m.m_stack;
    if (s.size() > f.stackBase && s.back().IsString()) {
        const std::size_t at = s.size() - 1;
        if (IsPlainName(s.back().String())) {
            // An own value of the innermost scope, as GetVariable looks first.
            Property* p = Innermost(f)->FindMemo(s.back().String());
            if (p && !p->getter) {
                s.back().ReplaceString(p->value);
                return;
            }
        }
        const Str name = s.back().String();
        Value v = GetVariable(f, name.Text(), &name);
        if (at < s.size()) {
            s[at] = std::move(v);
        } else {
            Push(std::move(v));
        }
    } else {
        Value name = Pop(f);
        Push(GetVariable(f, NameOf(name)));
    }
}

Interpreter::Exit Interpreter::Run(Frame& f, std::size_t begin, std::size_t end) {
    // The position lives in a local, written back to f.pc where the actions
    // outside this loop read it: Step's and every way out.
    std::size_t pc = begin;
    Program& program = *f.program;
    Host& host = m.GetHost();
    const std::uint32_t* index = program.Index();
    const std::size_t indexed = program.Indexed();
    std::uint32_t& budget = m.m_budget;
    while (true) {
        if (pc - begin >= end - begin) {  // before begin too, wrapped round
            f.pc = pc;
            return pc == end ? Exit::End : Exit::Left;
        }
        // The action is read from its decoded form before anything runs: a
        // nested run may decode more and move it.
        const std::uint32_t k = pc < indexed ? index[pc] : 0;
        const Op& op = k ? program.Indexed(k) : program.At(pc, f.data, host, version);
        const std::uint8_t code = op.code;
        if (code == 0) {
            f.pc = pc;
            return Exit::End;
        }
        const std::size_t next = op.next;
        const std::size_t len = op.len;
        if (--budget == 0) m.ActionCheck();
        // The commonest actions inline; the rest through Step.
        switch (kInline.of[code]) {
        case kPush: {
            std::vector<Value>& stack = m.m_stack;
            // Each value takes a byte at least: one check of the stack's room covers them all.
            if (stack.size() + len > m.m_limits.maxStack) m.Cut();
            const PushItem* item = program.Items(op);
            const PushItem* last = item + op.count;
            const Str* pool = f.pool ? f.pool->data() : nullptr;
            const std::size_t poolSize = f.pool ? f.pool->size() : 0;
            // A pooled name pushed to be read at once by the GetVariable
            // after it (when the range goes on to it): that action runs
            // here, one dispatch fewer, and the name is read unpushed.
            const bool reads = op.thenGetVariable && next < end;
            const Str* name = nullptr;
            if (reads && item != last && last[-1].kind == PushItem::Pool && last[-1].index < poolSize)
                name = &pool[(--last)->index];
            for (; item != last; ++item) {
                if (item->kind == PushItem::Pool) {
                    if (item->index < poolSize) {
                        stack.emplace_back(pool[item->index]);
                    } else {
                        stack.emplace_back();
                    }
                } else if (item->kind == PushItem::Literal) {
                    stack.push_back(item->value);
                } else if (item->index < f.regs.size()) {
                    stack.push_back(f.regs[item->index]);
                } else {
                    stack.emplace_back();
                }
            }
            pc = next;
            if (reads) {
                if (--budget == 0) m.ActionCheck();
                Property* p = name && IsPlainName(*name) ? Innermost(f)->FindMemo(*name) : nullptr;
                if (p && !p->getter) {
                    stack.push_back(p->value);
                } else {
                    if (name) stack.emplace_back(*name);
                    GetVariableAction(f);
                }
                pc += 1;
            }
            continue;
        }
        case kPop:
            if (m.m_stack.size() > f.stackBase) m.m_stack.pop_back();
            pc = next;
            continue;
        case kGetVar:
            GetVariableAction(f);
            pc = next;
            continue;
        case kSetVar: {
            std::vector<Value>& s = m.m_stack;
            if (s.size() >= f.stackBase + 2 && s[s.size() - 2].IsString()) {
                const Str& name = s[s.size() - 2].String();
                // A writable own value of the innermost scope, as SetVariable tries first.
                if (IsPlainName(name) && m.SetPlain(Innermost(f), name, s.back())) {
                    s.pop_back();
                    s.pop_back();
                    pc = next;
                    continue;
                }
            }
            Value v = Pop(f);
            Value name = Pop(f);
            SetVariable(f, NameOf(name), v, name.IsString() ? &name.String() : nullptr);
            pc = next;
            continue;
        }
        case kGetMember: {
            std::vector<Value>& s = m.m_stack;
            const std::size_t n = s.size();
            if (n >= f.stackBase + 2 && s[n - 1].IsString() && s[n - 2].IsObject()) {
                // A plain member: its value takes the object's place.
                if (Property* slot = m.PlainSlot(s[n - 2].Obj(), s[n - 1].String())) {
                    s[n - 2] = slot->value;
                    s.pop_back();
                    pc = next;
                    continue;
                }
            }
            Value name = Pop(f);
            Value obj = Pop(f);
            const std::string& member = NameOf(name);
            Property* slot = !obj.IsObject() ? nullptr
                             : name.IsString() ? m.PlainSlot(obj.Obj(), name.String())
                                               : m.PlainSlot(obj.Obj(), member);
            Push(slot ? slot->value : m.Get(obj, member));
            pc = next;
            continue;
        }
        case kSetMember: {
            std::vector<Value>& s = m.m_stack;
            const std::size_t n = s.size();
            if (n >= f.stackBase + 3 && s[n - 2].IsString() && s[n - 3].IsObject() &&
                m.SetPlain(s[n - 3].Obj(), s[n - 2].String(), s[n - 1])) {
                s.resize(n - 3);
                pc = next;
                continue;
            }
            Value v = Pop(f);
            Value name = Pop(f);
            Value obj = Pop(f);
            const std::string& member = NameOf(name);
            const bool plain = obj.IsObject() && (name.IsString() ? m.SetPlain(obj.Obj(), name.String(), v)
                                                                   : m.SetPlain(obj.Obj(), member, v));
            if (!plain) m.Set(obj, member, v);
            pc = next;
            continue;
        }
        case kBinary: {
            // Two numbers: the result takes their place, with none of the conversions.
            std::vector<Value>& s = m.m_stack;
            std::size_t n = s.size();
            if (n < f.stackBase + 2 || !s[n - 1].IsNumber() || !s[n - 2].IsNumber()) break;
            double y = s[n - 1].Number(), x = s[n - 2].Number();
            s.pop_back();
            if (code == 0x48) {
                s.back() = std::isnan(x) || std::isnan(y) ? Value() : Value(x < y);
            } else {
                s.back() = Value(code == 0x0B ? x - y : code == 0x0C ? x * y : x + y);
            }
            pc = next;
            continue;
        }
        case kIncDec: {
            std::vector<Value>& s = m.m_stack;
            if (s.size() <= f.stackBase || !s.back().IsNumber()) break;
            s.back() = Value(s.back().Number() + (code == 0x50 ? 1 : -1));
            pc = next;
            continue;
        }
        case kNot: {
            std::vector<Value>& s = m.m_stack;
            if (s.size() <= f.stackBase) break;
            s.back() = Value(!ToBoolean(s.back(), version));
            pc = next;
            continue;
        }
        case kReturn:
            f.result = Pop(f);
            f.pc = pc;
            return Exit::Return;
        case kJump:
            pc = len >= 2 ? op.target : next;
            continue;
        case kIf: {
            const std::size_t target = op.target;
            pc = next;
            std::vector<Value>& s = m.m_stack;
            if (s.size() > f.stackBase && s.back().IsBoolean()) {
                if (len >= 2 && s.back().Bool()) pc = target;
                s.pop_back();
            } else if (len >= 2 && ToBoolean(Pop(f), version)) {
                pc = target;
            }
            continue;
        }
        case kCall:
            f.pc = pc;
            CallFunctionAction(f);
            pc = next;
            continue;
        case kStep:
            break;
        default:
            __builtin_unreachable();  // the table holds no other
        }
        Exit exit = Exit::End;
        bool jumped = false;
        f.pc = pc;
        Step(f, code, f.data + (code >= 0x80 ? pc + 3 : pc + 1), len, next, exit, jumped);
        if (exit == Exit::Return) return exit;
        pc = jumped ? f.pc : next;
    }
}

void Interpreter::Step(Frame& f, std::uint8_t code, const std::uint8_t* p, std::size_t len, std::size_t next,
                       Exit& exit, bool& jumped) {
    switch (code) {
    case 0x88:
        DoConstantPool(f, p, len);
        break;
    case 0x4C: {
        Value v = Top(f);
        Push(v);
        break;
    }
    case 0x4D: {
        Value a = Pop(f);
        Value b = Pop(f);
        Push(a);
        Push(b);
        break;
    }
    case 0x87:
        if (len >= 1 && p[0] < f.regs.size()) f.regs[p[0]] = Top(f);
        break;
    case 0x3C: {
        Value v = Pop(f);
        std::string name = m.ToString(Pop(f));
        Object* scope = f.activation ? f.activation : Base(f);
        if (scope->Kind() == ObjKind::Timeline) {
            m.Set(Value(scope), name, v);
        } else {
            scope->Define(name, v, 0);
        }
        break;
    }
    case 0x41: {
        std::string name = m.ToString(Pop(f));
        Object* scope = f.activation ? f.activation : Base(f);
        if (!scope->FindOwn(name)) scope->Define(name, Value(), 0);
        break;
    }
    case 0x2A:
        m.Throw(Pop(f));
    case 0x9B:
    case 0x8E:
        DoDefineFunction(f, p, len, next, code == 0x8E);
        jumped = true;
        break;
    case 0x8F:
        exit = DoTry(f, p, len, next);
        jumped = true;
        break;
    case 0x94:
        exit = DoWith(f, p, len, next);
        jumped = true;
        break;
    case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x10: case 0x11: case 0x12: case 0x18:
    case 0x30: case 0x3F: case 0x47: case 0x4A: case 0x50: case 0x51:
    case 0x60: case 0x61: case 0x62: case 0x63: case 0x64: case 0x65:
        DoArithmetic(f, code);
        break;
    case 0x0E: case 0x0F: case 0x48: case 0x49: case 0x66: case 0x67:
        DoCompare(f, code);
        break;
    case 0x13: case 0x14: case 0x15: case 0x21: case 0x29: case 0x31: case 0x32: case 0x33:
    case 0x35: case 0x36: case 0x37: case 0x4B: case 0x68:
        DoString(f, code);
        break;
    case 0x04: case 0x05: case 0x06: case 0x07: case 0x08: case 0x09: case 0x20: case 0x22: case 0x23:
    case 0x24: case 0x25: case 0x26: case 0x27: case 0x28: case 0x34: case 0x45:
    case 0x81: case 0x83: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x9A: case 0x9E: case 0x9F:
        DoTimeline(f, code, p, len);
        break;
    case 0x2D: {
        // FSCommand2: a count, the command, then its arguments.
        std::vector<Value> parts = PopArgs(f);
        if (parts.empty()) break;
        std::string args;
        for (std::size_t k = 1; k < parts.size(); ++k) args += (k > 1 ? "," : "") + m.ToString(parts[k]);
        m.GetHost().FsCommand(m.ToString(parts[0]), args);
        break;
    }
    case 0x2B: case 0x2C: case 0x3A: case 0x3B: case 0x40: case 0x42: case 0x43: case 0x44:
    case 0x46: case 0x52: case 0x53: case 0x54: case 0x55: case 0x69:
        DoObjects(f, code);
        break;
    default:
        break;  // unknown: skipped by its length
    }
}

void Interpreter::DoConstantPool(Frame& f, const std::uint8_t* p, std::size_t len) {
    if (len < 2) return;
    std::size_t count = U16(p);
    auto pool = std::make_shared<std::vector<Str>>();
    pool->reserve(count);
    std::size_t i = 2;
    std::string s;
    for (std::size_t k = 0; k < count && ReadString(p, len, i, s); ++k) {
        if (version < 6 && HasHighBytes(s)) s = m.GetHost().LocalToUtf8(s);
        pool->emplace_back(s);
    }
    f.ownPool = std::move(pool);
    f.pool = f.ownPool.get();
}

void Interpreter::DoDefineFunction(Frame& f, const std::uint8_t* p, std::size_t len, std::size_t next, bool v2) {
    auto code = std::make_shared<Code>();
    std::size_t i = 0;
    f.pc = next;
    if (!ReadString(p, len, i, code->name) || i + 2 > len) return;
    std::size_t params = U16(p + i);
    i += 2;
    code->v2 = v2;
    if (v2) {
        if (i + 3 > len) return;
        code->registers = p[i];
        code->flags = U16(p + i + 1);
        i += 3;
    }
    for (std::size_t k = 0; k < params; ++k) {
        std::uint8_t reg = 0;
        if (v2) {
            if (i >= len) return;
            reg = p[i++];
        }
        std::string name;
        if (!ReadString(p, len, i, name)) return;
        code->params.emplace_back(reg, std::move(name));
    }
    if (i + 2 > len) return;
    SortParams(*code);
    std::size_t size = U16(p + i);
    code->begin = next;
    code->end = std::min(next + size, f.size);
    f.pc = code->end;
    // The function keeps the block's bytes: shared by every function it defines.
    if (!f.owner && f.code) f.owner = f.code->bytes;
    if (!f.owner) {
        f.owner = std::make_shared<std::vector<std::uint8_t>>(f.data, f.data + f.size);
        f.data = f.owner->data();
    }
    code->bytes = f.owner;
    code->program = f.code ? f.code->program : f.ownProgram;
    code->pool = f.ownPool ? f.ownPool : f.code ? f.code->pool : nullptr;
    Object* fn = m.GetHeap().New(ObjKind::Function, m.R().functionProto);
    if (!fn) m.Cut();
    fn->Function()->code = std::move(code);
    fn->Function()->scope = f.scope;
    f.captured = true;
    Object* proto = m.NewObject();
    proto->Define("constructor", Value(fn), kDontEnum);
    fn->Define("prototype", Value(proto), kDontEnum);
    const std::string& name = fn->Function()->code->name;
    if (name.empty()) {
        Push(Value(fn));
    } else if (f.activation) {
        f.activation->Define(name, Value(fn), 0);
    } else {
        m.Set(Value(Base(f)), name, Value(fn));
    }
}

void Interpreter::SortParams(Code& code) {
    // Pairs compared: a long list takes the general way.
    constexpr std::size_t kMaxCompared = 16;
    Heap& heap = m.GetHeap();
    std::vector<std::string> keys;
    for (const auto& [reg, name] : code.params) {
        code.paramHashes.push_back(NameHash(name));
        if (!code.v2 || reg == 0) keys.push_back(heap.Key(name));
    }
    if (keys.size() > kMaxCompared) return;
    for (std::size_t a = 0; a < keys.size(); ++a)
        for (std::size_t b = a + 1; b < keys.size(); ++b)
            if (keys[a] == keys[b]) return;
    code.distinctLocals = true;
}

Interpreter::Exit Interpreter::DoTry(Frame& f, const std::uint8_t* p, std::size_t len, std::size_t next) {
    f.pc = next;
    if (len < 7) return Exit::End;
    std::uint8_t flags = p[0];
    std::size_t tryBegin = next;
    std::size_t catchBegin = std::min(tryBegin + U16(p + 1), f.size);
    std::size_t finallyBegin = std::min(catchBegin + U16(p + 3), f.size);
    std::size_t after = std::min(finallyBegin + U16(p + 5), f.size);
    bool catchInRegister = flags & 0x04;
    bool hasFinally = flags & 0x02;
    bool hasCatch = flags & 0x01;
    std::size_t i = 7;
    std::string catchName;
    std::uint8_t catchRegister = 0;
    if (catchInRegister) {
        if (i < len) catchRegister = p[i];
    } else {
        ReadString(p, len, i, catchName);
    }
    if (++m.m_blocks > m.m_limits.maxWithDepth) m.Cut();
    struct Leave {
        int& blocks;
        ~Leave() { --blocks; }
    } leave{m.m_blocks};

    std::size_t stackAt = m.m_stack.size();
    Exit exit = Exit::End;
    bool thrown = false;
    Value thrownValue;
    try {
        exit = Run(f, tryBegin, catchBegin);
    } catch (ScriptThrow& t) {
        thrown = true;
        thrownValue = std::move(t.value);
    }
    if (thrown && hasCatch) {
        m.m_stack.resize(std::max(stackAt, f.stackBase));
        thrown = false;
        if (catchInRegister) {
            if (catchRegister < f.regs.size()) f.regs[catchRegister] = thrownValue;
        } else if (f.activation) {
            f.activation->Define(catchName, thrownValue, 0);
        } else {
            SetVariable(f, catchName, thrownValue);
        }
        try {
            exit = Run(f, catchBegin, finallyBegin);
        } catch (ScriptThrow& t) {
            thrown = true;
            thrownValue = std::move(t.value);
        }
    }
    if (hasFinally) {
        std::size_t leftAt = exit == Exit::End ? after : f.pc;
        Value result = f.result;
        if (thrown) m.m_stack.resize(std::max(stackAt, f.stackBase));
        Exit finallyExit = Run(f, finallyBegin, after);
        // A finally block that returns or jumps away overrides what the try did.
        if (finallyExit != Exit::End) return finallyExit;
        f.pc = leftAt;
        f.result = result;
    }
    if (thrown) throw ScriptThrow{thrownValue};
    if (exit == Exit::End) f.pc = after;
    return exit == Exit::Return ? Exit::Return : Exit::End;
}

Interpreter::Exit Interpreter::DoWith(Frame& f, const std::uint8_t* p, std::size_t len, std::size_t next) {
    f.pc = next;
    if (len < 2) return Exit::End;
    std::size_t end = std::min(next + U16(p), f.size);
    Object* o = m.ToObject(Pop(f));
    if (!o) {
        f.pc = end;
        return Exit::End;
    }
    if (++m.m_blocks > m.m_limits.maxWithDepth) m.Cut();
    struct Leave {
        int& blocks;
        Frame& f;
        ~Leave() {
            --blocks;
            f.scope.pop_back();
        }
    } leave{m.m_blocks, f};
    f.scope.push_back(o);
    Exit exit = Run(f, next, end);
    if (exit == Exit::End) f.pc = end;
    return exit == Exit::Return ? Exit::Return : Exit::End;
}

void Frame::Clear() {
    // Most calls share their function's bytes and pool: nothing of their own to let go.
    if (owner) owner.reset();
    if (ownProgram) ownProgram.reset();
    if (ownPool) ownPool.reset();
    scope.clear();
    self = Value();
    for (Value& v : regs)
        if (!v.IsUndefined()) v = Value();
    unloading = false;
    pc = 0;
    result = Value();
    arguments = nullptr;
    suppressed = 0;
    captured = false;
}

void Interpreter::EnterCall(Machine& m) {
    if (m.m_depth > m.m_limits.maxCallDepth) m.Cut();
    char here;
    auto at = reinterpret_cast<std::uintptr_t>(&here);
    if ((at > m.m_stackBase ? at - m.m_stackBase : m.m_stackBase - at) > m.m_limits.maxNativeStack) m.Cut();
    ++m.m_depth;
}

Value Interpreter::Invoke(Object* fn, const Value& self, const CallArgs& args) {
    const Code& code = *fn->Function()->code;
    std::vector<std::unique_ptr<Frame>>& spares = m.m_spareFrames;
    std::unique_ptr<Frame> frame;
    if (spares.empty()) {
        frame = std::make_unique<Frame>();
    } else {
        frame = std::move(spares.back());
        spares.pop_back();
    }
    Frame& f = *frame;
    f.code = &code;
    f.data = code.bytes->data();
    f.size = code.bytes->size();
    f.program = code.program.get();
    f.pool = code.pool.get();
    // Before version 6 a function sees a timeline and its own locals only, no
    // closures: the timeline it is called on as a method, else its own.
    const std::vector<Object*>& closure = fn->Function()->scope;
    Object* on = self.Obj();
    if (version < 6 && on && on->Kind() == ObjKind::Timeline && on->Timeline() != kNoTimeline) {
        f.scope.push_back(on);
    } else {
        // Element by element: a closure's chain is short, a copy's call to memmove costs more.
        const std::size_t depth = version < 6 && closure.size() > 1 ? 1 : closure.size();
        for (std::size_t k = 0; k < depth; ++k) f.scope.push_back(closure[k]);
    }
    if (f.scope.empty()) f.scope.push_back(m.R().global);
    // The last call's locals table, when it is left as the call made it, takes these names' values as it stands.
    Object* reused = code.distinctLocals ? m.GetHeap().Reuse(code.localsShape) : nullptr;
    f.activation = reused ? reused : m.GetHeap().New(ObjKind::Plain, nullptr);
    if (!f.activation) m.Cut();
    f.scope.push_back(f.activation);
    f.callee = fn;
    f.args = args;
    f.self = self;
    f.original = f.scope.front();
    f.target = f.original->Kind() == ObjKind::Timeline ? f.original->Timeline() : kNoTimeline;
    f.stackBase = m.m_stack.size();
    const std::size_t registers = code.v2 ? std::max<std::size_t>(code.registers, 1) : 4;
    if (f.regs.size() != registers) f.regs.resize(registers);
    if (code.v2) {
        // A name preloaded into a register is not a name any more either.
        std::uint16_t preloaded = code.flags & (kPreloadThis | kPreloadArguments | kPreloadSuper);
        f.suppressed = (code.flags & (kSuppressThis | kSuppressArguments | kSuppressSuper)) | preloaded << 1;
        std::size_t r = 1;
        auto preload = [&](const Value& v) {
            if (r < f.regs.size()) f.regs[r] = v;
            ++r;
        };
        // Suppressing `this` or `super` leaves its register empty but still taken; not so `arguments`.
        if (code.flags & kPreloadThis) preload(code.flags & kSuppressThis ? Value() : self);
        if (code.flags & kPreloadArguments) preload(Value(Arguments(f)));
        if (code.flags & kPreloadSuper) preload(code.flags & kSuppressSuper ? Value() : Super(f));
        if (code.flags & kPreloadRoot) preload(Value(m.TimelineObject(m.GetHost().Root())));
        if (code.flags & kPreloadParent) {
            // A timeline without a parent takes no register: the next preload moves up.
            TimelineId t = FrameTimeline(f);
            Object* parent = t != kNoTimeline ? m.TimelineObject(m.GetHost().Parent(t)) : nullptr;
            if (parent) preload(Value(parent));
        }
        if (code.flags & kPreloadGlobal) preload(Value(m.R().global));
    }
    const Value none;
    // Read after the preloads, which may run scripts that move the stack.
    const Value* given = args.list ? args.list->data() : m.m_stack.data() + args.at;
    std::size_t local = 0;
    for (std::size_t k = 0; k < code.params.size(); ++k) {
        const Value& v = k < args.count ? given[k] : none;
        std::uint8_t reg = code.params[k].first;
        if (code.v2 && reg != 0) {
            if (reg < f.regs.size()) f.regs[reg] = v;
        } else if (reused) {
            f.activation->Properties()[local++].value = v;
        } else if (code.distinctLocals) {
            f.activation->AppendLocal(code.params[k].second, code.paramHashes[k], v);
        } else {
            f.activation->Define(code.params[k].second, v, 0);
        }
    }
    if (code.distinctLocals && !reused) f.activation->ShareShape(code.localsShape);
    struct Restore {
        Machine& m;
        std::unique_ptr<Frame>& frame;
        ~Restore() {
            Frame& f = *frame;
            if (m.m_stack.size() > f.stackBase) m.m_stack.resize(f.stackBase);
            // Nothing but a closure defined in the call can reach its locals afterwards.
            if (!f.captured) m.GetHeap().Recycle(f.activation);
            if (m.m_spareFrames.size() >= 64 || f.scope.capacity() > 1024 || f.regs.capacity() > 1024) return;
            f.Clear();
            m.m_spareFrames.push_back(std::move(frame));
        }
    } restore{m, frame};
    // A function in a version 4 movie runs as version 5 code does.
    struct Version {
        Machine& m;
        int saved;
        ~Version() { m.m_version = saved; }
    } restoreVersion{m, m.m_version};
    if (m.m_version < 5) m.m_version = 5;
    try {
        Interpreter(m).Run(f, code.begin, code.end);
    } catch (const ScriptHalt&) {
        return Value();
    }
    return f.result;
}

Object* Interpreter::GoneBase(Frame& f) {
    Object* o = f.scope.front();
    if (f.original->Kind() == ObjKind::Timeline && f.original->Timeline() != kNoTimeline) return f.original;
    Object* root = m.TimelineObject(m.GetHost().Root());
    return root ? root : o;
}

TimelineId Interpreter::FrameTimeline(Frame& f) {
    Object* base = Base(f);
    return base->Kind() == ObjKind::Timeline ? base->Timeline() : kNoTimeline;
}

TimelineId Interpreter::OriginalTimeline(Frame& f) {
    return f.original->Kind() == ObjKind::Timeline ? f.original->Timeline() : kNoTimeline;
}

Object* Interpreter::Arguments(Frame& f) {
    if (!f.activation) return nullptr;
    if (!f.arguments) {
        const CallArgs& a = f.args;
        if (a.list) {
            f.arguments = m.NewArray(*a.list);
        } else {
            const std::size_t from = std::min(a.at, m.m_stack.size()), to = std::min(a.at + a.count, m.m_stack.size());
            f.arguments = m.NewArray(std::vector<Value>(m.m_stack.begin() + from, m.m_stack.begin() + to));
        }
        f.arguments->Define("callee", Value(f.callee), kDontEnum);
    }
    return f.arguments;
}

Value Interpreter::Super(Frame& f) {
    Object* self = f.self.Obj();
    if (!self || !f.callee) return Value();
    // The object the running function was found on: its class's prototype
    // (a constructor's own), else the prototype that holds it as a method.
    Object* home = nullptr;
    Object* ownProto = m.Get(Value(f.callee), "prototype").Obj();
    for (int pass = 0; pass < 2 && !home; ++pass) {
        Object* p = self->Proto();
        for (int depth = 0; p && depth < 256 && !home; ++depth, p = p->Proto()) {
            if (pass == 0) {
                if (p == ownProto) home = p;
                continue;
            }
            for (const Property& prop : p->Properties())
                if (prop.value.Obj() == f.callee && !NameIs(prop.name, "constructor") &&
                    !NameIs(prop.name, "__constructor__")) {
                    home = p;
                    break;
                }
        }
    }
    if (!home) home = self->Proto();
    if (!home) return Value();
    Object* s = m.GetHeap().New(ObjKind::Super, home->Proto());
    if (!s) m.Cut();
    s->Primitive() = f.self;
    Value ctor = m.Get(Value(home), "__constructor__");
    if (!ctor.IsObject() && home->Proto()) ctor = m.Get(Value(home->Proto()), "constructor");
    s->Define("__constructor__", ctor, kDontEnum);
    return Value(s);
}

}  // namespace fh::avm1
