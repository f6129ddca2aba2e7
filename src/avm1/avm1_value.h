#pragma once
// A script value: undefined, null, a boolean, a number, a string or an
// object. Strings are immutable UTF-8 shared by count (not atomic: one
// machine runs on one thread), so a value copies in a few instructions
// however long its text. Conversions follow the movie's version, as its
// players did: what undefined prints and counts as changed with 7.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

namespace fh::avm1 {

class Object;

class Str {
public:
    Str() = default;
    Str(std::string text);
    Str(const char* text) : Str(std::string(text)) {}
    Str(const Str& o) : m_rep(o.m_rep) { if (m_rep) ++m_rep->refs; }
    Str(Str&& o) noexcept : m_rep(o.m_rep) { o.m_rep = nullptr; }
    Str& operator=(const Str& o);
    Str& operator=(Str&& o) noexcept;
    ~Str() { Release(); }

    const std::string& Text() const { return m_rep ? m_rep->text : Empty(); }
    // The bytes of every string alive in the process, so that machines can
    // cap what their scripts keep (strings pass between threads never, but
    // machines may run on several).
    static std::size_t LiveBytes() { return s_liveBytes.load(std::memory_order_relaxed); }
    std::size_t Size() const { return m_rep ? m_rep->text.size() : 0; }
    bool operator==(const Str& o) const { return m_rep == o.m_rep || Text() == o.Text(); }

    // What the last lookup of this text as a name found (Object::FindOwn):
    // names come from constant pools, pushed again and again, so a lookup
    // on an unchanged table reuses it instead of searching.
    struct Memo {
        std::uint64_t shape = 0;    // the table it was found in (0: none yet)
        std::uint32_t index = 0;    // its place there, or past the end when it was missing
        std::uint32_t hash = 0;     // the name's case-folded hash, once `hashed`
        bool hashed = false;
        std::uint8_t sort = 0;      // the interpreter's: what sort of variable name it is, once known
    };
    Memo* GetMemo() const { return m_rep ? &m_rep->memo : nullptr; }

private:
    struct Rep {
        std::uint32_t refs;
        std::string text;
        Memo memo;
    };
    void Release() {
        if (m_rep && --m_rep->refs == 0) Free(m_rep);
    }
    static void Free(Rep* rep);  // out of line, so that the count's drop stays inline
    static const std::string& Empty();
    static std::atomic<std::size_t> s_liveBytes;
    Rep* m_rep = nullptr;  // none: the empty string
};

enum class Type : std::uint8_t { Undefined, Null, Boolean, Number, String, Object };

// Eight-byte aligned, as in the shipped build, where the stack's arithmetic then shifts rather than divides.
class alignas(8) Value {
public:
    Value() : m_type(Type::Undefined), m_number(0) {}
    Value(bool b) : m_type(Type::Boolean), m_number(b ? 1 : 0) {}
    Value(double n) : m_type(Type::Number), m_number(n) {}
    Value(int n) : m_type(Type::Number), m_number(n) {}
    Value(const Str& s) : m_type(Type::String) { new (&m_str) Str(s); }
    Value(Str&& s) : m_type(Type::String) { new (&m_str) Str(std::move(s)); }
    Value(std::string s) : Value(Str(std::move(s))) {}
    Value(const char* s) : Value(Str(s)) {}
    // Null for none. The whole union is set, as CopyBits copies it all.
    Value(Object* o) : m_type(o ? Type::Object : Type::Null), m_number(0) { m_object = o; }
    Value(const Value& o) : m_type(o.m_type) { CopyFrom(o); }
    Value(Value&& o) noexcept : m_type(o.m_type) { MoveFrom(o); }
    Value& operator=(const Value& o) {
        // Neither a string: the bits alone, the commonest assignment on the stack.
        if (m_type != Type::String && o.m_type != Type::String) {
            m_type = o.m_type;
            CopyBits(o);
        } else if (this != &o) {
            AssignString(o);
        }
        return *this;
    }
    // Assignment to a string value (a name giving way to what it names), inline.
    void ReplaceString(const Value& o) {
        if (o.m_type == Type::String) {
            m_str = o.m_str;
            return;
        }
        m_str.~Str();
        m_type = o.m_type;
        CopyBits(o);
    }
    Value& operator=(Value&& o) noexcept {
        if (this != &o) {
            Destroy();
            m_type = o.m_type;
            MoveFrom(o);
        }
        return *this;
    }
    ~Value() { Destroy(); }
    static Value Null() {
        Value v;
        v.m_type = Type::Null;
        return v;
    }

    Type GetType() const { return m_type; }
    bool IsUndefined() const { return m_type == Type::Undefined; }
    bool IsNull() const { return m_type == Type::Null; }
    bool IsNullish() const { return m_type == Type::Undefined || m_type == Type::Null; }
    bool IsNumber() const { return m_type == Type::Number; }
    bool IsString() const { return m_type == Type::String; }
    bool IsObject() const { return m_type == Type::Object; }
    bool IsBoolean() const { return m_type == Type::Boolean; }
    bool IsPrimitive() const { return m_type != Type::Object; }

    double Number() const { return m_number; }  // Number and Boolean
    bool Bool() const { return m_number != 0; }  // Boolean
    const Str& String() const { return m_str; }  // String only
    Object* Obj() const { return m_type == Type::Object ? m_object : nullptr; }

private:
    // Sixteen bytes, the string's count touched only for strings.
    void CopyFrom(const Value& o) {
        if (m_type == Type::String) {
            new (&m_str) Str(o.m_str);
        } else {
            CopyBits(o);
        }
    }
    void MoveFrom(Value& o) {
        if (m_type == Type::String) {
            new (&m_str) Str(std::move(o.m_str));
        } else {
            CopyBits(o);
        }
    }
    void AssignString(const Value& o);  // either is a string
    // A number's or an object's bits, whichever the union holds: one copy of its storage.
    void CopyBits(const Value& o) { std::memcpy(static_cast<void*>(&m_number), &o.m_number, sizeof m_number); }
    void Destroy() {
        if (m_type == Type::String) m_str.~Str();
    }

    Type m_type;
    union {
        double m_number;
        Object* m_object;
        Str m_str;
    };
};

// Number to text as the players print it: 15 significant digits, the
// exponent form from 1e15 and below 1e-5, "-0" as "0".
std::string NumberToString(double n);
// Number to text in a radix from 2 to 36 (as a 32-bit integer, the
// fraction dropped; NaN and larger numbers print oddly, as -2^31 does in
// the players), as Number.toString(radix) prints.
std::string NumberToRadix(double n, int radix);
// Text to number: surrounding white space, decimal and exponent forms,
// "0x" hexadecimal (a sign after the prefix, not before); NaN for anything
// else, "Infinity" too. "" counts as 0 before version 5 and as NaN from it.
double StringToNumber(std::string_view text, int version);
// The decimal number text begins with (sign, digits, fraction, exponent),
// NaN when it begins with none: parseFloat, and version 4's conversion.
double DecimalPrefix(std::string_view text);
// ECMA's ToInt32 and ToUint32.
std::int32_t ToInt32(double n);
std::uint32_t ToUint32(double n);
// ECMA's ToInteger: NaN to 0, the rest truncated toward zero.
double ToInteger(double n);

// Primitive conversions (an object is converted by the machine, which can
// run its valueOf and toString).
double PrimitiveToNumber(const Value& v, int version);
std::string PrimitiveToString(const Value& v, int version);
bool ToBoolean(const Value& v, int version);
// What typeof names a primitive ("undefined", "null", "boolean", "number", "string").
const char* PrimitiveTypeName(Type t);

// UTF-8 text by characters: how many, a slice of them (clamped), one
// character's code, a code's character.
std::size_t Utf8Length(const std::string& s);
std::string Utf8Slice(const std::string& s, std::size_t start, std::size_t count);
std::uint32_t Utf8CodeAt(const std::string& s, std::size_t index);
std::string Utf8Encode(std::uint32_t code);

// Numbers compare equal as the players compare them: NaN equals NaN.
bool NumbersEqual(double a, double b);
// The same value (no conversion): ECMA's strict equality but for NaN.
bool StrictEquals(const Value& a, const Value& b);

}  // namespace fh::avm1
