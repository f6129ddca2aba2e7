#pragma once
// Date: a time value in milliseconds since 1970 UTC, with ECMA-262's day and
// time arithmetic (proleptic Gregorian calendar, no leap seconds) and the
// players' text form. The local offset comes from the host.

#include <string>

namespace fh::avm1 {

namespace date {

constexpr double kMsPerDay = 86400000;

double Day(double t);
double TimeWithinDay(double t);
double DayFromYear(double y);
// The fields of a time; NaN for one beyond the valid range and a day.
double YearFromTime(double t);
double MonthFromTime(double t);  // 0-11
double DateFromTime(double t);   // 1-31
double WeekDay(double t);        // 0 Sunday
double HourFromTime(double t);
double MinFromTime(double t);
double SecFromTime(double t);
double MsFromTime(double t);
double MakeTime(double hour, double min, double sec, double ms);
double MakeDay(double year, double month, double date);
double MakeDate(double day, double time);
// NaN past 8.64e15 either way, the rest truncated toward zero.
double TimeClip(double t);

// "Wed Dec 31 16:00:00 GMT-0800 1969": a local time and its offset from UTC.
std::string Format(double localTime, double offsetMs);

}  // namespace date

}  // namespace fh::avm1
