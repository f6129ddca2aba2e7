#include "avm1/avm1_value.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "avm1/avm1_object.h"
#include "base/utf8.h"

namespace fh::avm1 {

std::atomic<std::size_t> Str::s_liveBytes{0};

Str::Str(std::string text) {
    if (text.empty()) return;
    s_liveBytes.fetch_add(text.size(), std::memory_order_relaxed);
    m_rep = new Rep{1, std::move(text), Memo()};
}

void Str::Free(Rep* rep) {
    s_liveBytes.fetch_sub(rep->text.size(), std::memory_order_relaxed);
    delete rep;
}

Str& Str::operator=(const Str& o) {
    if (o.m_rep) ++o.m_rep->refs;
    Release();
    m_rep = o.m_rep;
    return *this;
}

Str& Str::operator=(Str&& o) noexcept {
    if (this != &o) {
        Release();
        m_rep = o.m_rep;
        o.m_rep = nullptr;
    }
    return *this;
}

const std::string& Str::Empty() {
    static const std::string empty;
    return empty;
}

void Value::AssignString(const Value& o) {
    if (o.m_type != Type::String) {
        // A string (a name) gives way to a value, as a variable's read leaves it.
        m_str.~Str();
        m_type = o.m_type;
        CopyBits(o);
        return;
    }
    Value copy(o);
    *this = std::move(copy);
}

std::string NumberToString(double n) {
    if (std::isnan(n)) return "NaN";
    if (std::isinf(n)) return n < 0 ? "-Infinity" : "Infinity";
    if (n == 0) return "0";
    // 15 significant digits, then the trailing zeros dropped.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", n);
    // Rounding the largest numbers up would pass the largest double: they are cut instead.
    if (std::isinf(std::strtod(buf, nullptr))) {
        std::snprintf(buf, sizeof buf, "%.20e", n);
        char* cut = std::strchr(buf, 'e');
        std::memmove(buf + 16 + (n < 0), cut, std::strlen(cut) + 1);
    }
    char* e = std::strchr(buf, 'e');
    int exponent = std::atoi(e + 1);
    std::string digits;
    bool negative = buf[0] == '-';
    for (char* p = buf + (negative ? 1 : 0); p < e; ++p)
        if (*p != '.') digits += *p;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += exponent < 0 ? "e-" : "e+";
        out += std::to_string(exponent < 0 ? -exponent : exponent);
    } else if (exponent < 0) {
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits + std::string(whole - digits.size(), '0');
        } else {
            out += digits.substr(0, whole) + "." + digits.substr(whole);
        }
    }
    return out;
}

std::string NumberToRadix(double n, int radix) {
    if (radix == 10 || radix < 2 || radix > 36) return NumberToString(n);
    // The players truncate as the processor does: NaN and anything outside
    // 32 bits become -2^31, whose negation overflows to itself, so its
    // remainders stay negative and print as the characters below '0'.
    std::int32_t v = n > -2147483649.0 && n < 2147483648.0 ? static_cast<std::int32_t>(n)
                                                               : std::numeric_limits<std::int32_t>::min();
    bool negative = v < 0;
    if (negative) v = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(v));
    std::string out;
    do {
        int rem = v % radix;
        out.insert(out.begin(), static_cast<char>(rem < 10 ? '0' + rem : 'a' + rem - 10));
        v /= radix;
    } while (v != 0);
    if (negative) out.insert(out.begin(), '-');
    return out;
}

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

double DecimalPrefix(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return std::numeric_limits<double>::quiet_NaN();
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '-' || s[j] == '+')) ++j;
        std::size_t e = j;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
        if (j > e) i = j;
    }
    return std::strtod(std::string(s.substr(0, i)).c_str(), nullptr);
}

double StringToNumber(std::string_view s, int version) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b])) ++b;
    if (version < 5) {
        while (e > b && IsSpace(s[e - 1])) --e;
        if (b == e) return 0;
        // Version 4 reads the number the text begins with, and 0 when there is none.
        double v = DecimalPrefix(s.substr(b, e - b));
        return std::isnan(v) ? 0 : v;
    }
    // White space may lead but trail only a hexadecimal number; "Infinity" is no number.
    if (b == e) return nan;
    std::string_view t = s.substr(b, e - b);
    // Hexadecimal with its sign after the "0x", and octal when nothing leads
    // it, are read as 32-bit integers, wrapping.
    bool negative = false;
    std::size_t first = 0;
    bool hex = t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X');
    if (hex) {
        while (IsSpace(t.back())) t.remove_suffix(1);
        first = 2;
        if (t[first] == '-' || t[first] == '+') negative = t[first++] == '-';
        if (first == t.size()) return nan;
    } else if (t[0] == '-' || t[0] == '+') {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    bool octal = !hex && b == 0 && t.size() > 1 && t[0] == '0' &&
                 t.find_first_not_of("01234567") == std::string_view::npos;
    if (hex || octal) {
        std::uint32_t v = 0;
        for (std::size_t i = hex ? first : 1; i < t.size(); ++i) {
            char c = t[i];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return nan;
            v = v * (hex ? 16u : 8u) + static_cast<std::uint32_t>(d);
        }
        double n = static_cast<std::int32_t>(v);
        return negative ? -n : n;
    }
    // Digits, an optional fraction and exponent, nothing after.
    std::size_t i = 0, digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return nan;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j, ++expDigits;
        if (expDigits == 0) return nan;
        i = j;
    }
    if (i != t.size()) return nan;
    double v = std::strtod(std::string(t).c_str(), nullptr);
    return negative ? -v : v;
}

std::int32_t ToInt32(double n) { return static_cast<std::int32_t>(ToUint32(n)); }

std::uint32_t ToUint32(double n) {
    if (!std::isfinite(n)) return 0;
    double m = std::fmod(std::trunc(n), 4294967296.0);
    if (m < 0) m += 4294967296.0;
    return static_cast<std::uint32_t>(m);
}

double ToInteger(double n) {
    if (std::isnan(n)) return 0;
    return std::trunc(n);
}

double PrimitiveToNumber(const Value& v, int version) {
    switch (v.GetType()) {
    case Type::Undefined:
        return version >= 7 ? std::numeric_limits<double>::quiet_NaN() : 0;
    case Type::Null:
        return version >= 7 ? std::numeric_limits<double>::quiet_NaN() : 0;
    case Type::Boolean:
    case Type::Number:
        return v.Number();
    case Type::String:
        return StringToNumber(v.String().Text(), version);
    case Type::Object:
        break;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

std::string PrimitiveToString(const Value& v, int version) {
    switch (v.GetType()) {
    case Type::Undefined:
        return version >= 7 ? "undefined" : "";
    case Type::Null:
        return "null";
    case Type::Boolean:
        if (version < 5) return v.Bool() ? "1" : "0";
        return v.Bool() ? "true" : "false";
    case Type::Number:
        return NumberToString(v.Number());
    case Type::String:
        return v.String().Text();
    case Type::Object:
        break;
    }
    return "";
}

bool ToBoolean(const Value& v, int version) {
    switch (v.GetType()) {
    case Type::Undefined:
    case Type::Null:
        return false;
    case Type::Boolean:
        return v.Bool();
    case Type::Number:
        return v.Number() != 0 && !std::isnan(v.Number());
    case Type::String: {
        // Before 7 a string is true when it reads as a number other than 0.
        if (version >= 7) return v.String().Size() != 0;
        double n = StringToNumber(v.String().Text(), version);
        return n != 0 && !std::isnan(n);
    }
    case Type::Object:
        return true;
    }
    return false;
}

const char* PrimitiveTypeName(Type t) {
    switch (t) {
    case Type::Undefined:
        return "undefined";
    case Type::Null:
        return "null";
    case Type::Boolean:
        return "boolean";
    case Type::Number:
        return "number";
    case Type::String:
        return "string";
    case Type::Object:
        break;
    }
    return "object";
}

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The byte offset of character `index`, or the size past the end.
std::size_t Utf8Offset(const std::string& s, std::size_t index) {
    std::size_t i = 0;
    for (std::size_t k = 0; k < index && i < s.size(); ++k) {
        ++i;
        while (i < s.size() && IsContinuation(s[i])) ++i;
    }
    return i;
}

}  // namespace

std::size_t Utf8Length(const std::string& s) {
    std::size_t n = 0;
    for (char c : s)
        if (!IsContinuation(c)) ++n;
    return n;
}

std::string Utf8Slice(const std::string& s, std::size_t start, std::size_t count) {
    std::size_t b = Utf8Offset(s, start);
    std::size_t e = b + Utf8Offset(s.substr(b), count);
    return s.substr(b, e - b);
}

std::uint32_t Utf8CodeAt(const std::string& s, std::size_t index) {
    std::size_t i = Utf8Offset(s, index);
    if (i >= s.size()) return 0;
    auto c = static_cast<unsigned char>(s[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    std::uint32_t code = extra ? c & (0x3F >> extra) : c;
    for (int k = 1; k <= extra && i + static_cast<std::size_t>(k) < s.size(); ++k)
        code = code << 6 | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
    return code;
}

std::string Utf8Encode(std::uint32_t code) {
    std::string out;
    AppendUtf8(out, code);
    return out;
}

bool NumbersEqual(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool StrictEquals(const Value& a, const Value& b) {
    if (a.GetType() != b.GetType()) return false;
    switch (a.GetType()) {
    case Type::Undefined:
    case Type::Null:
        return true;
    case Type::Boolean:
    case Type::Number:
        return NumbersEqual(a.Number(), b.Number());
    case Type::String:
        return a.String() == b.String();
    case Type::Object:
        return a.Obj() == b.Obj();
    }
    return false;
}

}  // namespace fh::avm1
