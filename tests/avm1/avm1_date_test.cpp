#include <gtest/gtest.h>

#include <cmath>

#include "avm1/avm1_date.h"
#include "avm1_builtins_fixture.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallMethod;

TEST(Avm1Date, DayArithmetic) {
    struct Case {
        const char* label;
        double time;
        double year, month, date, weekDay, hour, minute, second, ms;
    };
    const Case cases[] = {
        {"the epoch", 0, 1970, 0, 1, 4, 0, 0, 0, 0},
        {"just before it", -1, 1969, 11, 31, 3, 23, 59, 59, 999},
        {"a leap day", 951782400000, 2000, 1, 29, 2, 0, 0, 0, 0},
        {"no leap day in 2100", 4107542400000, 2100, 2, 1, 1, 0, 0, 0, 0},
        {"1900", -2208988800000, 1900, 0, 1, 1, 0, 0, 0, 0},
        {"the first year", -62135596800000, 1, 0, 1, 1, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(date::YearFromTime(c.time), c.year);
        EXPECT_EQ(date::MonthFromTime(c.time), c.month);
        EXPECT_EQ(date::DateFromTime(c.time), c.date);
        EXPECT_EQ(date::WeekDay(c.time), c.weekDay);
        EXPECT_EQ(date::HourFromTime(c.time), c.hour);
        EXPECT_EQ(date::MinFromTime(c.time), c.minute);
        EXPECT_EQ(date::SecFromTime(c.time), c.second);
        EXPECT_EQ(date::MsFromTime(c.time), c.ms);
        double back = date::MakeDate(date::MakeDay(c.year, c.month, c.date),
                                     date::MakeTime(c.hour, c.minute, c.second, c.ms));
        EXPECT_EQ(back, c.time);
    }
    EXPECT_EQ(date::MakeDay(2020, 13, 1) * date::kMsPerDay, 1612137600000);  // month 13: February next year
    EXPECT_EQ(date::MakeDay(2000, 1, 30) * date::kMsPerDay, 951868800000);   // 30 February: 1 March
    EXPECT_TRUE(std::isnan(date::TimeClip(8.64e15 + 1)));
    EXPECT_TRUE(std::isnan(date::MakeDay(NAN, 0, 1)));
    EXPECT_TRUE(std::isnan(date::YearFromTime(1e300)));
}

TEST(Avm1Date, ClassInLocalTime) {
    enum Zone { kPacific, kSwitchToSummer, kIndia, kNonsense };
    struct Case {
        const char* label;
        Zone zone;
        std::vector<Value> made;  // the constructor's arguments
        const char* method;
        std::vector<Value> args;
        const char* result;
    };
    const Value nan(std::nan(""));
    const Case cases[] = {
        {"text", kPacific, {Value(0)}, "toString", {}, "Wed Dec 31 16:00:00 GMT-0800 1969"},
        {"text east of Greenwich", kIndia, {Value(0)}, "toString", {}, "Thu Jan 1 05:30:00 GMT+0530 1970"},
        {"text of an invalid date", kPacific, {nan}, "toString", {}, "Invalid Date"},
        {"zone offset in minutes", kPacific, {Value(0)}, "getTimezoneOffset", {}, "480"},
        {"fields are local", kPacific, {Value(99), Value(11), Value(31), Value(23), Value(59)}, "getTime", {},
         "946713540000"},
        {"two-digit year", kPacific, {Value(99), Value(11), Value(31), Value(23)}, "getYear", {}, "99"},
        {"local weekday", kPacific, {Value(99), Value(11), Value(31), Value(23)}, "getDay", {}, "5"},
        {"UTC weekday", kPacific, {Value(99), Value(11), Value(31), Value(23)}, "getUTCDay", {}, "6"},
        {"UTC year", kPacific, {Value(99), Value(11), Value(31), Value(23)}, "getUTCFullYear", {}, "2000"},
        {"UTC hours", kPacific, {Value(99), Value(11), Value(31), Value(23)}, "getUTCHours", {}, "7"},
        {"year and month only", kPacific, {Value(2000), Value(1)}, "valueOf", {}, "949392000000"},
        {"a time value truncated", kPacific, {Value(1234.9)}, "getTime", {}, "1234"},
        {"a time value out of range", kPacific, {Value(8.64e15 + 1)}, "getTime", {}, "NaN"},
        {"setMonth rolls over", kPacific, {Value(2000), Value(0), Value(31)}, "setMonth", {Value(1)},
         "951984000000"},
        {"setDate zero", kPacific, {Value(2000), Value(0), Value(31)}, "setDate", {Value(0)}, "946627200000"},
        {"setHours 24", kPacific, {Value(2000), Value(0), Value(31)}, "setHours", {Value(24)}, "949392000000"},
        {"setMinutes with seconds and ms", kPacific, {Value(2000), Value(0), Value(1)}, "setMinutes",
         {Value(90), Value(30), Value(5)}, "946719030005"},
        {"setMilliseconds", kPacific, {Value(0)}, "setMilliseconds", {Value(1500)}, "1500"},
        {"setUTCHours", kPacific, {Value(3600000)}, "setUTCHours", {Value(0)}, "0"},
        {"setYear two digits", kPacific, {Value(2000), Value(0), Value(1)}, "setYear", {Value(5)},
         "-2051193600000"},
        {"setFullYear revives", kPacific, {nan}, "setFullYear", {Value(2001)}, "978336000000"},
        {"setMonth keeps invalid", kPacific, {nan}, "setMonth", {Value(1)}, "NaN"},
        {"setTime converts", kPacific, {Value(0)}, "setTime", {Value("5")}, "5"},
        {"after the switch to summer time", kSwitchToSummer, {Value(2020), Value(2), Value(29), Value(3)}, "getTime",
         {}, "1585447200000"},
        {"before it", kSwitchToSummer, {Value(2020), Value(2), Value(29), Value(0), Value(30)}, "getTime", {},
         "1585441800000"},
        {"a zone that makes no sense counts as UTC", kNonsense, {Value(0)}, "toString", {},
         "Thu Jan 1 00:00:00 GMT+0000 1970"},
        {"summer text", kSwitchToSummer, {Value(1585447200000.0)}, "toString", {}, "Sun Mar 29 03:00:00 GMT+0100 2020"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        switch (c.zone) {
        case kPacific:
            host.offset = [](double) { return -8 * 3600000.0; };
            break;
        case kSwitchToSummer:
            host.offset = [](double t) { return t >= 1585443600000 ? 3600000.0 : 0.0; };
            break;
        case kIndia:
            host.offset = [](double) { return 5.5 * 3600000.0; };
            break;
        case kNonsense:
            host.offset = [](double) { return 1e300; };
            break;
        }
        Machine m(host, 8);
        Value d = test::New(m, "Date", c.made);
        EXPECT_EQ(m.ToString(CallMethod(m, d, c.method, c.args)), c.result);
    }
}

TEST(Avm1Date, NowAndUtc) {
    BuiltinsHost host;
    host.dateNow = 1500000000000;
    Machine m(host, 8);
    EXPECT_EQ(m.ToNumber(CallMethod(m, test::New(m, "Date", {}), "getTime", {})), host.dateNow);
    EXPECT_EQ(m.ToString(m.Call(m.Get(Value(m.R().global), "Date"), Value(), {})), "Fri Jul 14 02:40:00 GMT+0000 2017");
    EXPECT_EQ(m.ToNumber(test::CallStatic(m, "Date", "UTC", {Value(2000), Value(1), Value(29)})), 951782400000);
    EXPECT_EQ(m.ToNumber(test::CallStatic(m, "Date", "UTC", {Value(99), Value(0)})), 915148800000);
}

}  // namespace
}  // namespace fh::avm1
