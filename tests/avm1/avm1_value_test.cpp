// Values: numbers printed and read as the players do, and the conversions
// that changed with the movie's version.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "avm1/avm1_value.h"
#include "avm1_fixture.h"

namespace fh::avm1 {
namespace {

TEST(Avm1Values, NumbersPrintWithFifteenDigits) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double n;
        const char* text;
    } cases[] = {
        {0, "0"}, {-0.0, "0"}, {1, "1"}, {-1.5, "-1.5"}, {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"},
        {123456789012345, "123456789012345"}, {1e15, "1e+15"}, {2e19, "2e+19"}, {1e21, "1e+21"},
        {-2.123123123219e20, "-2.123123123219e+20"}, {0.0001, "0.0001"}, {0.00001, "0.00001"},
        {1.5e-7, "1.5e-7"}, {5e-25, "5e-25"}, {nan, "NaN"}, {HUGE_VAL, "Infinity"}, {-HUGE_VAL, "-Infinity"},
        {1.79769313486231e308, "1.79769313486231e+308"}, {4.94065645841247e-324, "4.94065645841247e-324"},
        {std::numeric_limits<double>::max(), "1.79769313486231e+308"},
        {-std::numeric_limits<double>::max(), "-1.79769313486231e+308"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(NumberToString(c.n), c.text);
    }
    EXPECT_EQ(NumberToRadix(255, 16), "ff");
    EXPECT_EQ(NumberToRadix(-5, 2), "-101");
}

TEST(Avm1Values, TextReadsAsNumbersByVersion) {
    const struct {
        const char* text;
        int version;
        double n;  // NaN: not a number
    } cases[] = {
        {"12", 7, 12}, {" \t-1.5e3", 7, -1500}, {"1.5 ", 7, NAN}, {"0x1A", 7, 26}, {"0x-10", 7, -16},
        {"-0x10", 7, NAN}, {"0x10.5", 7, NAN}, {"Infinity", 7, NAN}, {"-Infinity", 6, NAN}, {"010", 6, 8},
        {"-010", 6, -8}, {" 010", 6, 10}, {"037777777777", 6, -1}, {"0x1999999981ffffff", 7, -2113929217},
        {"019", 6, 19},
        {"", 7, NAN}, {"", 4, 0}, {"12abc", 7, NAN}, {"12abc", 4, 12}, {"abc", 4, 0}, {"0x96", 4, 0},
        {".5", 6, 0.5}, {"5.", 6, 5}, {"1e", 6, NAN}, {"+", 6, NAN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " v" + std::to_string(c.version));
        double n = StringToNumber(c.text, c.version);
        if (std::isnan(c.n)) {
            EXPECT_TRUE(std::isnan(n)) << n;
        } else {
            EXPECT_EQ(n, c.n);
        }
    }
}

TEST(Avm1Values, ConversionsFollowTheVersion) {
    const struct {
        const char* label;
        Value v;
        int version;
        const char* text;
        double number;  // NaN: not a number
        bool truth;
    } cases[] = {
        {"undefined v6", Value(), 6, "", 0, false},
        {"undefined v7", Value(), 7, "undefined", NAN, false},
        {"null v6", Value::Null(), 6, "null", 0, false},
        {"true", Value(true), 7, "true", 1, true},
        {"'0' v6", Value("0"), 6, "0", 0, false},
        {"'0' v7", Value("0"), 7, "0", 0, true},
        {"'abc' v6", Value("abc"), 6, "abc", NAN, false},
        {"'abc' v7", Value("abc"), 7, "abc", NAN, true},
        {"NaN", Value(std::nan("")), 7, "NaN", NAN, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(PrimitiveToString(c.v, c.version), c.text);
        double n = PrimitiveToNumber(c.v, c.version);
        if (std::isnan(c.number)) {
            EXPECT_TRUE(std::isnan(n)) << n;
        } else {
            EXPECT_EQ(n, c.number);
        }
        EXPECT_EQ(ToBoolean(c.v, c.version), c.truth);
    }
    EXPECT_EQ(ToInt32(4294967295.0), -1);
    EXPECT_EQ(ToUint32(-1), 4294967295u);
    EXPECT_EQ(Utf8Length("h\xC3\xA9llo"), 5u);
    EXPECT_EQ(Utf8Slice("h\xC3\xA9llo", 1, 2), "\xC3\xA9l");
    EXPECT_EQ(Utf8CodeAt("h\xC3\xA9", 1), 0xE9u);
}

TEST(Avm1Values, ActionsCompareAndComputeByVersion) {
    using test::Asm;
    // Each block leaves one value; the trace shows it.
    auto bin = [](Asm a, Asm b, std::uint8_t op) { return Asm().Add(a).Add(b).Op(op).Trace(); };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* label;
        Asm code;
        int version;
        const char* trace;
    } cases[] = {
        {"Add2 concatenates", bin(Asm().Num(1), Asm().Str("2"), 0x47), 7, "12"},
        {"Add2 adds", bin(Asm().Num(1), Asm().Bool(true), 0x47), 7, "2"},
        {"Add2 undefined v6", bin(Asm().Str("a"), Asm().Undef(), 0x47), 6, "a"},
        {"Add2 undefined v7", bin(Asm().Str("a"), Asm().Undef(), 0x47), 7, "aundefined"},
        {"Add v4 reads numbers", bin(Asm().Str("300"), Asm().Str("150a"), 0x0A), 4, "450"},
        {"Subtract", bin(Asm().Num(5), Asm().Num(7), 0x0B), 7, "-2"},
        {"Divide by zero", bin(Asm().Num(4), Asm().Num(0), 0x0D), 7, "Infinity"},
        {"Divide by zero v4", bin(Asm().Num(4), Asm().Num(0), 0x0D), 4, "#ERROR#"},
        {"Divide by zero in a v4 function",
         Asm().Function("f", {}, bin(Asm().Num(4), Asm().Num(0), 0x0D)).Num(0).Str("f").Op(0x3D), 4, "Infinity"},
        {"Modulo", bin(Asm().Num(-7), Asm().Num(3), 0x3F), 7, "-1"},
        {"Equals2 number string", bin(Asm().Num(1), Asm().Str("1"), 0x49), 7, "true"},
        {"Equals2 undefined null", bin(Asm().Undef(), Asm().Null(), 0x49), 7, "true"},
        {"Equals2 NaN NaN", bin(Asm().Num(nan), Asm().Num(nan), 0x49), 7, "true"},
        {"Equals2 'abc' NaN", bin(Asm().Str("abc"), Asm().Num(nan), 0x49), 7, "false"},
        {"Equals2 undefined 0", bin(Asm().Undef(), Asm().Num(0), 0x49), 6, "false"},
        {"StrictEquals", bin(Asm().Num(1), Asm().Str("1"), 0x66), 7, "false"},
        {"Less2 strings", bin(Asm().Str("b"), Asm().Str("a"), 0x48), 7, "false"},
        {"Less2 numbers", bin(Asm().Str("10"), Asm().Num(9), 0x48), 7, "false"},
        {"Less2 NaN", bin(Asm().Num(nan), Asm().Num(1), 0x48), 7, "undefined"},
        {"Less2 undefined v6", bin(Asm().Undef(), Asm().Num(1), 0x48), 6, "true"},
        {"Less2 undefined v7", bin(Asm().Undef(), Asm().Num(1), 0x48), 7, "undefined"},
        {"Greater", bin(Asm().Num(2), Asm().Num(1), 0x67), 7, "true"},
        {"Equals v4 traces 1", bin(Asm().Str("x"), Asm().Str("y"), 0x0E), 4, "1"},
        {"StringLess", bin(Asm().Str("10"), Asm().Str("9"), 0x29), 7, "true"},
        {"StringEquals", bin(Asm().Num(1), Asm().Str("1"), 0x13), 7, "true"},
        {"StringAdd", bin(Asm().Str("a"), Asm().Num(1), 0x21), 7, "a1"},
        {"BitAnd", bin(Asm().Num(-1), Asm().Num(255.9), 0x60), 7, "255"},
        {"BitLShift", bin(Asm().Num(1), Asm().Num(33), 0x63), 7, "2"},
        {"BitURShift", bin(Asm().Num(-1), Asm().Num(0), 0x65), 7, "4294967295"},
        {"BitRShift", bin(Asm().Num(-8), Asm().Num(1), 0x64), 7, "-4"},
        {"StringExtract", Asm().Str("h\xC3\xA9llo").Num(2).Num(3).Op(0x15).Trace(), 7, "\xC3\xA9ll"},
        {"StringLength", Asm().Str("h\xC3\xA9llo").Op(0x14).Trace(), 7, "5"},
        {"CharToAscii", Asm().Str("A").Op(0x32).Trace(), 7, "65"},
        {"MBAsciiToChar", Asm().Num(0xE9).Op(0x37).Trace(), 7, "\xC3\xA9"},
        {"ToInteger", Asm().Num(-2.7).Op(0x18).Trace(), 7, "-2"},
        {"Increment", Asm().Str("4").Op(0x50).Trace(), 7, "5"},
        {"Not v7 string", Asm().Str("0").Op(0x12).Trace(), 7, "false"},
        {"Not v6 string", Asm().Str("0").Op(0x12).Trace(), 6, "true"},
        {"TypeOf", Asm().Null().Op(0x44).Trace(), 7, "null"},
        {"Trace boolean v4", Asm().Bool(true).Trace(), 4, "1"},
        {"Trace a carriage return as a line break", Asm().Str("a\rb").Trace(), 7, "a\nb"},
        {"parseInt octal only when all digits are", Asm().Str("-0100z").Num(1).Str("parseInt").Op(0x3D).Trace()
                                                       .Str("-0100").Num(1).Str("parseInt").Op(0x3D).Trace(), 7, "-100|-64"},
        {"parseInt hex prefix and radix", Asm().Str("0x-100").Num(1).Str("parseInt").Op(0x3D).Trace()
                                              .Num(0).Str("100").Num(2).Str("parseInt").Op(0x3D).Trace(), 7, "-256|NaN"},
        {"parseInt: white space ends octal, a sign before 0x is lost",
         Asm().Str("  077").Num(1).Str("parseInt").Op(0x3D).Trace().Str("0x -100").Num(1).Str("parseInt").Op(0x3D)
             .Trace().Str("-0x100").Num(1).Str("parseInt").Op(0x3D).Trace().Num(36).Str("-0x100").Num(2)
             .Str("parseInt").Op(0x3D).Trace().Num(33).Str("+0x1").Num(2).Str("parseInt").Op(0x3D).Trace(),
         7, "77|-256|NaN|1540944|NaN"},
        {"unescape", Asm().Str("a+b%41%2xc%").Num(1).Str("unescape").Op(0x3D).Trace(), 7, "a bAc"},
        {"escape", Asm().Str("a b/\xC3\xA9").Num(1).Str("escape").Op(0x3D).Trace(), 7, "a%20b%2F%C3%A9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(test::Run(c.code, c.version), c.trace);
    }
}

}  // namespace
}  // namespace fh::avm1
