#pragma once
// The movie list as CSV (RFC 4180): fields quoted when they hold a comma, a
// double quote or a line break, records ended by CR LF, the file led by a
// UTF-8 byte order mark so that spreadsheet programs read Hangul correctly.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/local_time.h"
#include "swf/swf_header.h"

namespace fh {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

std::string CsvField(std::string_view text);
// A text that a spreadsheet would take for a formula (it begins with "=",
// "+", "-", "@", a tab or a carriage return) gets a single quote in front.
std::string CsvTextCell(std::string_view text);
// The fields joined by commas, with CR LF.
std::string CsvRecord(const std::vector<std::string>& fields);

// One movie of the load; texts already in UTF-8.
struct CsvMovie {
    std::string name, url, site, path, lastModified;
    std::optional<std::uint64_t> size;
    std::string sha256;  // of the bytes as saved, 64 lowercase hex digits; empty when they could not be read
    int copies = 0;      // the rows of the export with that hash (0 without one)
    std::optional<LocalTime> fileTime;
    std::optional<SwfHeaderInfo> header;  // none when the file could not be read
    std::string savedTo;                  // where it was saved, when saving was asked too
    std::string snapshot;                 // where its first frame was written, when snapshots were asked too
    bool snapshotCut = false;             // the picture was ended by the time limit before all was drawn
    // For a copied cache's movie: the cache's format and its record's times.
    std::string cacheKind;
    std::optional<LocalTime> cacheLastAccess, cacheExpires;
};

std::string CsvHeaderRecord(bool withSavedTo, bool withSnapshot = false);
std::string CsvMovieRecord(const CsvMovie& movie, bool withSavedTo, bool withSnapshot = false);

// "2026-12-09T13:05:00"
std::string FormatIsoLocal(const LocalTime& time);
// A frame rate of 8.8 fixed point in decimals, exact ("29.5", "24").
std::string FormatFrameRate(std::uint16_t rate);

}  // namespace fh
