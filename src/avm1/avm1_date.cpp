// Date: ECMA-262's day and time arithmetic, the players' text form, and
// the class over them. A date object is a plain object whose primitive
// slot holds its time value (NaN for an invalid date).

#include "avm1/avm1_date.h"

#include <cmath>
#include <cstdio>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

namespace date {

namespace {

constexpr double kMsPerHour = 3600000;
// The widest local time: a valid time moved by the widest zone offset.
// Anything wider reads as invalid, so the loops and casts below stay in range.
constexpr double kMaxLocal = 8.64e15 + kMsPerDay;

bool InRange(double t) { return std::fabs(t) <= kMaxLocal; }
constexpr double kMsPerMinute = 60000;
constexpr double kMsPerSecond = 1000;

double Modulo(double a, double b) {
    double r = std::fmod(a, b);
    return r < 0 ? r + b : r;
}

bool LeapYear(double y) { return std::fmod(y, 4) == 0 && (std::fmod(y, 100) != 0 || std::fmod(y, 400) == 0); }

// Days before the first of each month, in common and leap years.
const int kMonthStart[2][13] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
                                {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

}  // namespace

double Day(double t) { return std::floor(t / kMsPerDay); }
double TimeWithinDay(double t) { return Modulo(t, kMsPerDay); }

double DayFromYear(double y) {
    return 365 * (y - 1970) + std::floor((y - 1969) / 4) - std::floor((y - 1901) / 100) + std::floor((y - 1601) / 400);
}

double YearFromTime(double t) {
    if (!InRange(t)) return NAN;
    double day = Day(t);
    double y = std::floor(day / 365.2425) + 1970;
    // The estimate is off by at most one either way.
    while (DayFromYear(y) > day) --y;
    while (DayFromYear(y + 1) <= day) ++y;
    return y;
}

namespace {

double DayWithinYear(double t) { return Day(t) - DayFromYear(YearFromTime(t)); }

// The month of a time, 0-11, and the day it starts within the year.
int MonthOf(double t, int& start) {
    double y = YearFromTime(t);
    const int* starts = kMonthStart[LeapYear(y) ? 1 : 0];
    int day = static_cast<int>(DayWithinYear(t));
    int m = 0;
    while (m < 11 && day >= starts[m + 1]) ++m;
    start = starts[m];
    return m;
}

}  // namespace

double MonthFromTime(double t) {
    if (!InRange(t)) return NAN;
    int start;
    return MonthOf(t, start);
}

double DateFromTime(double t) {
    if (!InRange(t)) return NAN;
    int start;
    MonthOf(t, start);
    return DayWithinYear(t) - start + 1;
}

double WeekDay(double t) { return InRange(t) ? Modulo(Day(t) + 4, 7) : NAN; }
double HourFromTime(double t) { return InRange(t) ? std::floor(TimeWithinDay(t) / kMsPerHour) : NAN; }
double MinFromTime(double t) { return InRange(t) ? Modulo(std::floor(t / kMsPerMinute), 60) : NAN; }
double SecFromTime(double t) { return InRange(t) ? Modulo(std::floor(t / kMsPerSecond), 60) : NAN; }
double MsFromTime(double t) { return InRange(t) ? Modulo(t, kMsPerSecond) : NAN; }

double MakeTime(double hour, double min, double sec, double ms) {
    if (!std::isfinite(hour) || !std::isfinite(min) || !std::isfinite(sec) || !std::isfinite(ms)) return NAN;
    return std::trunc(hour) * kMsPerHour + std::trunc(min) * kMsPerMinute + std::trunc(sec) * kMsPerSecond +
           std::trunc(ms);
}

double MakeDay(double year, double month, double date) {
    if (!std::isfinite(year) || !std::isfinite(month) || !std::isfinite(date)) return NAN;
    double m = std::trunc(month);
    double y = std::trunc(year) + std::floor(m / 12);
    int mn = static_cast<int>(Modulo(m, 12));
    return DayFromYear(y) + kMonthStart[LeapYear(y) ? 1 : 0][mn] + std::trunc(date) - 1;
}

double MakeDate(double day, double time) {
    if (!std::isfinite(day) || !std::isfinite(time)) return NAN;
    return day * kMsPerDay + time;
}

double TimeClip(double t) {
    if (!std::isfinite(t) || std::fabs(t) > 8.64e15) return NAN;
    return std::trunc(t) + 0.0;
}

std::string Format(double localTime, double offsetMs) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (!InRange(localTime) || !(std::fabs(offsetMs) <= kMsPerDay)) return "Invalid Date";
    double t = localTime;
    int offsetMinutes = static_cast<int>(std::lround(offsetMs / kMsPerMinute));
    int absOffset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s %s %d %02d:%02d:%02d GMT%c%02d%02d %.0f", kDays[static_cast<int>(WeekDay(t))],
                  kMonths[static_cast<int>(MonthFromTime(t))], static_cast<int>(DateFromTime(t)),
                  static_cast<int>(HourFromTime(t)), static_cast<int>(MinFromTime(t)),
                  static_cast<int>(SecFromTime(t)), offsetMinutes < 0 ? '-' : '+', absOffset / 60 % 100,
                  absOffset % 60, YearFromTime(t));
    return buf;
}

}  // namespace date

namespace {

using date::kMsPerDay;

bool ThisTime(const Value& self, Object*& o, double& t) {
    o = self.Obj();
    if (!o || o->Kind() != ObjKind::Plain || !o->Primitive().IsNumber()) return false;
    t = o->Primitive().Number();
    return true;
}

// The host's offset from UTC at a time, none when it makes no sense.
double Offset(Machine& m, double utc) {
    double offset = m.GetHost().LocalOffsetMs(utc);
    return std::fabs(offset) <= kMsPerDay ? offset : 0;
}

double LocalTime(Machine& m, double t) { return std::isfinite(t) ? t + Offset(m, t) : t; }

// Local to UTC: the offset is looked up at the UTC time it gives, which
// differs from the local time's own only around a daylight-saving change.
double Utc(Machine& m, double local) {
    if (!std::isfinite(local)) return local;
    return local - Offset(m, local - Offset(m, local));
}

// The time of year, month[, date, hours, minutes, seconds, ms], two-digit
// years meaning 1900 and after.
double FromFields(Machine& m, const std::vector<Value>& args) {
    double f[7] = {0, 0, 1, 0, 0, 0, 0};
    for (std::size_t i = 0; i < 7 && i < args.size(); ++i) f[i] = m.ToNumber(args[i]);
    double year = ToInteger(f[0]);
    if (std::isfinite(f[0]) && year >= 0 && year <= 99) f[0] = 1900 + year;
    return date::MakeDate(date::MakeDay(f[0], f[1], f[2]), date::MakeTime(f[3], f[4], f[5], f[6]));
}

Value DateCall(Machine& m, const Value&, const std::vector<Value>&) {
    double now = date::TimeClip(m.GetHost().DateNowMs());
    return Value(date::Format(LocalTime(m, now), LocalTime(m, now) - now));
}

Value DateConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (!o) return Value();
    double t;
    if (args.empty()) {
        t = m.GetHost().DateNowMs();
    } else if (args.size() == 1) {
        t = m.ToNumber(args[0]);
    } else {
        t = Utc(m, FromFields(m, args));
    }
    o->Primitive() = Value(date::TimeClip(t));
    return Value();
}

Value DateUtc(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(date::TimeClip(FromFields(m, args)));
}

Value GetTime(Machine&, const Value& self, const std::vector<Value>&) {
    Object* o;
    double t;
    return ThisTime(self, o, t) ? Value(t) : Value();
}

Value ToStringMethod(Machine& m, const Value& self, const std::vector<Value>&) {
    Object* o;
    double t;
    if (!ThisTime(self, o, t)) return Value();
    double local = LocalTime(m, t);
    return Value(date::Format(local, local - t));
}

Value GetTimezoneOffset(Machine& m, const Value& self, const std::vector<Value>&) {
    Object* o;
    double t;
    if (!ThisTime(self, o, t)) return Value();
    return Value((t - LocalTime(m, t)) / 60000);
}

// The calendar fields, in the order the setters take them.
enum Field { kYear, kMonth, kDate, kHours, kMinutes, kSeconds, kMs, kDay, kShortYear };

double FieldOf(double t, int field) {
    switch (field) {
    case kYear:
        return date::YearFromTime(t);
    case kShortYear:
        return date::YearFromTime(t) - 1900;
    case kMonth:
        return date::MonthFromTime(t);
    case kDate:
        return date::DateFromTime(t);
    case kDay:
        return date::WeekDay(t);
    case kHours:
        return date::HourFromTime(t);
    case kMinutes:
        return date::MinFromTime(t);
    case kSeconds:
        return date::SecFromTime(t);
    default:
        return date::MsFromTime(t);
    }
}

template <int F, bool Utc>
Value Getter(Machine& m, const Value& self, const std::vector<Value>&) {
    Object* o;
    double t;
    if (!ThisTime(self, o, t)) return Value();
    return Value(FieldOf(Utc ? t : LocalTime(m, t), F));
}

// Sets up to `count` fields from `first` on (fewer when fewer are given),
// keeping the rest; the year setters start an invalid date from 1970.
Value SetFields(Machine& m, const Value& self, std::vector<double> values, int first, bool utc) {
    Object* o;
    double t;
    if (!ThisTime(self, o, t)) return Value();
    double base = utc ? t : LocalTime(m, t);
    if (std::isnan(base) && first == kYear) base = 0;
    double f[7];
    for (int i = 0; i < 7; ++i) f[i] = FieldOf(base, i);
    for (std::size_t i = 0; i < values.size() && first + i < 7; ++i) f[first + i] = values[i];
    double d = date::MakeDate(date::MakeDay(f[0], f[1], f[2]), date::MakeTime(f[3], f[4], f[5], f[6]));
    d = date::TimeClip(utc ? d : Utc(m, d));
    o->Primitive() = Value(d);
    return Value(d);
}

template <int First, int Count, bool Utc>
Value Setter(Machine& m, const Value& self, const std::vector<Value>& args) {
    std::vector<double> values;
    for (std::size_t i = 0; i < Count && (i == 0 || i < args.size()); ++i) values.push_back(m.ToNumber(Arg(args, i)));
    return SetFields(m, self, std::move(values), First, Utc);
}

Value SetYear(Machine& m, const Value& self, const std::vector<Value>& args) {
    double y = m.ToNumber(Arg(args, 0));
    double whole = ToInteger(y);
    if (std::isfinite(y) && whole >= 0 && whole <= 99) y = 1900 + whole;
    return SetFields(m, self, {y}, kYear, false);
}

Value SetTime(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o;
    double t;
    if (!ThisTime(self, o, t)) return Value();
    t = date::TimeClip(m.ToNumber(Arg(args, 0)));
    o->Primitive() = Value(t);
    return Value(t);
}

}  // namespace

void InstallDate(Machine& m) {
    Object* proto = m.NewObject();
    const std::pair<const char*, NativeFn> methods[] = {
        {"getTime", GetTime},
        {"valueOf", GetTime},
        {"toString", ToStringMethod},
        {"getTimezoneOffset", GetTimezoneOffset},
        {"getFullYear", Getter<kYear, false>},
        {"getYear", Getter<kShortYear, false>},
        {"getMonth", Getter<kMonth, false>},
        {"getDate", Getter<kDate, false>},
        {"getDay", Getter<kDay, false>},
        {"getHours", Getter<kHours, false>},
        {"getMinutes", Getter<kMinutes, false>},
        {"getSeconds", Getter<kSeconds, false>},
        {"getMilliseconds", Getter<kMs, false>},
        {"getUTCFullYear", Getter<kYear, true>},
        {"getUTCYear", Getter<kShortYear, true>},
        {"getUTCMonth", Getter<kMonth, true>},
        {"getUTCDate", Getter<kDate, true>},
        {"getUTCDay", Getter<kDay, true>},
        {"getUTCHours", Getter<kHours, true>},
        {"getUTCMinutes", Getter<kMinutes, true>},
        {"getUTCSeconds", Getter<kSeconds, true>},
        {"getUTCMilliseconds", Getter<kMs, true>},
        {"setTime", SetTime},
        {"setYear", SetYear},
        {"setFullYear", Setter<kYear, 3, false>},
        {"setMonth", Setter<kMonth, 2, false>},
        {"setDate", Setter<kDate, 1, false>},
        {"setHours", Setter<kHours, 4, false>},
        {"setMinutes", Setter<kMinutes, 3, false>},
        {"setSeconds", Setter<kSeconds, 2, false>},
        {"setMilliseconds", Setter<kMs, 1, false>},
        {"setUTCFullYear", Setter<kYear, 3, true>},
        {"setUTCMonth", Setter<kMonth, 2, true>},
        {"setUTCDate", Setter<kDate, 1, true>},
        {"setUTCHours", Setter<kHours, 4, true>},
        {"setUTCMinutes", Setter<kMinutes, 3, true>},
        {"setUTCSeconds", Setter<kSeconds, 2, true>},
        {"setUTCMilliseconds", Setter<kMs, 1, true>},
    };
    for (const auto& f : methods) DefineMethod(m, proto, f.first, f.second);
    Object* ctor = DefineClass(m, "Date", DateCall, DateConstruct, proto);
    DefineMethod(m, ctor, "UTC", DateUtc);
}

}  // namespace fh::avm1
