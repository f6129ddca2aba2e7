#include "actions/movie_csv.h"

#include <cstdio>

namespace fh {

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string CsvTextCell(std::string_view text) {
    if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos)
        return std::string(text);
    return "'" + std::string(text);
}

std::string CsvRecord(const std::vector<std::string>& fields) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out += ',';
        out += CsvField(fields[i]);
    }
    out += "\r\n";
    return out;
}

std::string FormatIsoLocal(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

std::string FormatFrameRate(std::uint16_t rate) {
    std::string out = std::to_string(rate >> 8);
    // 1/256 is 0.00390625: eight decimals hold every fraction exactly.
    unsigned fraction = (rate & 0xFFu) * 390625u;
    if (fraction == 0) return out;
    std::string digits = std::to_string(fraction);
    digits.insert(0, 8 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    return out + "." + digits;
}

std::string CsvHeaderRecord(bool withSavedTo, bool withSnapshot) {
    std::vector<std::string> names = {"name",          "address",     "site",         "local path",  "size",
                                      "sha256",        "copies",      "last modified", "file time",  "signature",
                                      "version",       "stage width", "stage height", "frame rate",  "frame count",
                                      "actionscript 3", "cache",      "cache last access", "cache expires"};
    if (withSavedTo) names.push_back("saved to");
    if (withSnapshot) names.insert(names.end(), {"snapshot", "snapshot cut"});
    return CsvRecord(names);
}

std::string CsvMovieRecord(const CsvMovie& m, bool withSavedTo, bool withSnapshot) {
    // Names and addresses come from the web: none may open as a formula.
    std::vector<std::string> f = {CsvTextCell(m.name), CsvTextCell(m.url), CsvTextCell(m.site), CsvTextCell(m.path)};
    f.push_back(m.size ? std::to_string(*m.size) : std::string());
    f.push_back(m.sha256);
    f.push_back(std::to_string(m.sha256.empty() ? 0 : m.copies));
    f.push_back(CsvTextCell(m.lastModified));
    f.push_back(m.fileTime ? FormatIsoLocal(*m.fileTime) : std::string());
    const SwfHeaderInfo* h = m.header && m.header->IsMovie() ? &*m.header : nullptr;
    f.push_back(h ? h->signature : std::string());
    f.push_back(h && h->version ? std::to_string(*h->version) : std::string());
    f.push_back(h && h->hasStage ? std::to_string(h->StageWidthPixels()) : std::string());
    f.push_back(h && h->hasStage ? std::to_string(h->StageHeightPixels()) : std::string());
    f.push_back(h && h->frameRate ? FormatFrameRate(*h->frameRate) : std::string());
    f.push_back(h && h->frameCount ? std::to_string(*h->frameCount) : std::string());
    f.push_back(h && h->actionScript3 ? (*h->actionScript3 ? "1" : "0") : std::string());
    f.push_back(m.cacheKind);
    f.push_back(m.cacheLastAccess ? FormatIsoLocal(*m.cacheLastAccess) : std::string());
    f.push_back(m.cacheExpires ? FormatIsoLocal(*m.cacheExpires) : std::string());
    if (withSavedTo) f.push_back(CsvTextCell(m.savedTo));
    if (withSnapshot) {
        f.push_back(CsvTextCell(m.snapshot));
        f.push_back(m.snapshot.empty() ? std::string() : m.snapshotCut ? "1" : "0");
    }
    return CsvRecord(f);
}

}  // namespace fh
