#include "settings/date_record.h"

namespace fh {

namespace {

void Put(DateRecord& r, std::size_t offset, int value) {
    auto v = static_cast<std::uint16_t>(value);
    r[offset] = static_cast<std::uint8_t>(v & 0xFF);
    r[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

int Get(const DateRecord& r, std::size_t offset) { return r[offset] | (r[offset + 1] << 8); }

}  // namespace

DateRecord EncodeDateRecord(const std::optional<LocalTime>& fields) {
    DateRecord r{};
    if (!fields) {
        Put(r, 0, 0xFFFF);
        Put(r, 2, 0xFFFF);
        Put(r, 4, 0xFFFF);
        return r;
    }
    Put(r, 0, fields->hour);
    Put(r, 2, fields->minute);
    Put(r, 4, fields->second);
    Put(r, 6, fields->year);
    Put(r, 8, fields->month);
    Put(r, 10, fields->day);
    return r;
}

LocalTime DecodeDateRecord(const DateRecord& record) {
    LocalTime t;
    t.hour = Get(record, 0);
    t.minute = Get(record, 2);
    t.second = Get(record, 4);
    t.year = Get(record, 6);
    t.month = Get(record, 8);
    t.day = Get(record, 10);
    return t;
}

std::optional<std::int64_t> DateRecordToTime(const DateRecord& record, const Clock& clock) {
    LocalTime t = DecodeDateRecord(record);
    if (t.hour > 23 || t.minute > 59 || t.second > 59 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > 31 || t.year < 1970 || t.year > 3000)
        return std::nullopt;
    return clock.FromLocal(t);
}

}  // namespace fh
