#include "settings/date_record.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"

namespace fh {
namespace {

using test::FakeClock;

TEST(DateRecord, EncodesSixLittleEndianFieldsInRecordOrder) {
    LocalTime t{2006, 3, 15, 14, 5, 9};
    DateRecord r = EncodeDateRecord(t);
    const DateRecord expected = {14, 0, 5, 0, 9, 0, 0xD6, 0x07, 3, 0, 15, 0};
    EXPECT_EQ(expected, r);
}

TEST(DateRecord, UnconvertibleMomentUsesTheFailureEncoding) {
    const DateRecord expected = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(expected, EncodeDateRecord(std::nullopt));
    EXPECT_FALSE(DateRecordToTime(expected, FakeClock()).has_value());
}

TEST(DateRecord, RoundTripsThroughTheClock) {
    FakeClock clock(0, 9 * 3600);
    for (std::int64_t t : {clock.At(2026, 12, 8), clock.At(1999, 12, 31, 23, 59, 59), clock.At(1970, 1, 1, 9)}) {
        SCOPED_TRACE(t);
        std::optional<std::int64_t> back = DateRecordToTime(EncodeDateRecord(clock.ToLocal(t)), clock);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(t, *back);
    }
}

TEST(DateRecord, FieldsOutOfRangeOrBefore1970AreRejected) {
    FakeClock clock;
    struct Case {
        const char* label;
        LocalTime fields;
    } cases[] = {
        {"hour 24", {2020, 1, 1, 24, 0, 0}},   {"minute 60", {2020, 1, 1, 0, 60, 0}},
        {"second 60", {2020, 1, 1, 0, 0, 60}}, {"month 0", {2020, 0, 1, 0, 0, 0}},
        {"month 13", {2020, 13, 1, 0, 0, 0}},  {"day 0", {2020, 1, 0, 0, 0, 0}},
        {"day 32", {2020, 1, 32, 0, 0, 0}},    {"year 1969", {1969, 12, 31, 0, 0, 0}},
        {"year 65535", {65535, 1, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_FALSE(DateRecordToTime(EncodeDateRecord(c.fields), clock).has_value());
    }
}

}  // namespace
}  // namespace fh
