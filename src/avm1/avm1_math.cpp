// The Math object. Its functions convert their arguments as numbers
// (running valueOf) and follow ECMA-262 where C's library differs, with the
// players' own rounding and their two-argument min and max.

#include <cmath>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace {

double Nan() { return std::nan(""); }

double Number(Machine& m, const std::vector<Value>& args, std::size_t i) { return m.ToNumber(Arg(args, i)); }

template <double (*F)(double)>
Value Unary(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(F(Number(m, args, 0)));
}

double Abs(double x) { return std::fabs(x); }
double Acos(double x) { return std::acos(x); }
double Asin(double x) { return std::asin(x); }
double Atan(double x) { return std::atan(x); }
double Ceil(double x) { return std::ceil(x); }
double Cos(double x) { return std::cos(x); }
double Exp(double x) { return std::exp(x); }
double Floor(double x) { return std::floor(x); }
double Log(double x) { return std::log(x); }
double Sin(double x) { return std::sin(x); }
double Sqrt(double x) { return std::sqrt(x); }
double Tan(double x) { return std::tan(x); }
// Halves round up, toward positive infinity: round(-2.5) is -2.
double Round(double x) { return std::isfinite(x) ? std::floor(x + 0.5) : x; }

Value Atan2(Machine& m, const Value&, const std::vector<Value>& args) {
    double y = Number(m, args, 0);
    return Value(std::atan2(y, Number(m, args, 1)));
}

// C's pow answers 1 for 1^NaN and (-1)^Infinity where ECMA answers NaN.
Value Pow(Machine& m, const Value&, const std::vector<Value>& args) {
    double x = Number(m, args, 0);
    double y = Number(m, args, 1);
    if (std::isnan(y) || (std::isinf(y) && std::fabs(x) == 1)) return Value(Nan());
    return Value(std::pow(x, y));
}

// The players take two arguments: none gives the identity, one compares
// with the missing second (NaN from version 7).
template <bool Max>
Value MinMax(Machine& m, const Value&, const std::vector<Value>& args) {
    if (args.empty()) return Value(Max ? -HUGE_VAL : HUGE_VAL);
    double a = Number(m, args, 0);
    double b = Number(m, args, 1);
    if (std::isnan(a) || std::isnan(b)) return Value(Nan());
    return Value(Max ? (a > b ? a : b) : (a < b ? a : b));
}

Value Random(Machine& m, const Value&, const std::vector<Value>&) { return Value(m.Random()); }

}  // namespace

void InstallMath(Machine& m) {
    Object* math = m.NewObject();
    m.R().global->Define("Math", Value(math), kDontEnum);
    const std::pair<const char*, NativeFn> unary[] = {
        {"abs", Unary<Abs>},   {"acos", Unary<Acos>},   {"asin", Unary<Asin>}, {"atan", Unary<Atan>},
        {"ceil", Unary<Ceil>}, {"cos", Unary<Cos>},     {"exp", Unary<Exp>},   {"floor", Unary<Floor>},
        {"log", Unary<Log>},   {"round", Unary<Round>}, {"sin", Unary<Sin>},   {"sqrt", Unary<Sqrt>},
        {"tan", Unary<Tan>}};
    for (const auto& f : unary) DefineMethod(m, math, f.first, f.second);
    DefineMethod(m, math, "atan2", Atan2);
    DefineMethod(m, math, "pow", Pow);
    DefineMethod(m, math, "min", MinMax<false>);
    DefineMethod(m, math, "max", MinMax<true>);
    DefineMethod(m, math, "random", Random);
    const std::pair<const char*, double> constants[] = {
        {"E", 2.718281828459045},         {"LN10", 2.302585092994046},  {"LN2", 0.6931471805599453},
        {"LOG10E", 0.4342944819032518},   {"LOG2E", 1.4426950408889634}, {"PI", 3.141592653589793},
        {"SQRT1_2", 0.7071067811865476}, {"SQRT2", 1.4142135623730951}};
    for (const auto& c : constants) math->Define(c.first, Value(c.second), kDontEnum | kDontDelete | kReadOnly);
}

}  // namespace fh::avm1
