#include "ui/main_view.h"

#include "res/resource.h"

namespace fh {

namespace {

constexpr int kImageFolder = 0;
constexpr int kImageMovie = 1;

// The Internet Explorer cache and the cache folder analysis list movies by
// address and site alike.
bool IsIeSource(int source) { return source != FirefoxCache && source != ChosenFolder; }
// Firefox's cache2 entries name their addresses too, so its rows have sites.
bool HasSites(int source) { return source != ChosenFolder; }

}  // namespace

SiteRestriction MakeSiteRestriction(const std::optional<std::string>& selected, const std::string& allSitesText,
                                    const std::string& unclassifiedText) {
    SiteRestriction r;
    if (!selected || selected->empty() || *selected == allSitesText) return r;
    if (*selected == unclassifiedText) {
        r.kind = SiteRestriction::Unclassified;
        return r;
    }
    r.kind = SiteRestriction::Host;
    r.host = *selected;
    return r;
}

bool PassesSiteRestriction(const SiteRestriction& restriction, const SwfEntry& entry) {
    switch (restriction.kind) {
    case SiteRestriction::Unclassified:
        return entry.unclassified;
    case SiteRestriction::Host:
        return entry.site == restriction.host;
    default:
        return true;
    }
}

StartupFilters ResolveStartupFilters(const StartupInputs& in) {
    StartupFilters out;
    out.siteFilter = in.allSitesText;
    if (in.saveSiteFilter && !in.siteFilter.empty()) out.siteFilter = in.siteFilter;
    if (!in.commandLineSite.empty()) out.siteFilter = in.commandLineSite == "all" ? in.allSitesText : in.commandLineSite;

    out.dateText = in.allDatesText;
    if (in.saveDateFilter && !in.dateFilter.empty()) out.dateText = in.dateFilter;

    // A site on the command line always means the Internet Explorer cache.
    out.source = IeCache;
    if (in.commandLineSite.empty() && (in.source == FirefoxCache || in.source == ChosenFolder || in.source == CacheArchive))
        out.source = in.source;
    return out;
}

ListFill ComputeListRows(const SwfEntryList& entries, const ListFilter& filter, const Clock& clock) {
    ListFill fill;
    auto passesDate = [&](const SwfEntry& e) {
        return filter.dateMode == DateAll || PassesDateFilter(e.fileTime, filter.dateMode, filter.dates, clock);
    };
    if (filter.source == ChosenFolder) {
        fill.sorted = false;
        fill.selectFirst = false;
        int index = 0;
        for (const SwfEntry& e : entries) {
            if (!e.isFolder && !passesDate(e)) continue;
            fill.rows.push_back({index++, e.name, e.isFolder ? kImageFolder : kImageMovie, e.id});
        }
        return fill;
    }
    SiteRestriction site;
    if (HasSites(filter.source))
        site = MakeSiteRestriction(filter.siteText, filter.allSitesText, filter.unclassifiedText);
    for (const SwfEntry& e : entries) {
        if (!PassesSiteRestriction(site, e) || !passesDate(e)) continue;
        fill.rows.push_back({0, e.name, kImageMovie, e.id});
    }
    return fill;
}

DetailTexts ComputeDetailTexts(const SwfEntry& entry, int source, const std::string& bytesSuffix,
                               const std::string& timeText) {
    DetailTexts t;
    const std::string bytes = entry.sizeText + bytesSuffix;
    if (IsIeSource(source)) {
        t.address = entry.url.empty() ? entry.path : entry.url;
        t.second = entry.lastModifiedText;
        t.third = bytes;
        t.fourth = timeText;
    } else {
        t.address = entry.path;
        t.second = bytes;
        t.third = timeText;
    }
    return t;
}

ControlState ComputeControlState(int source, int selectedRows, int rowCount, int dateMode) {
    ControlState s;
    s.deleteEnabled = s.saveAsEnabled = s.saveEnabled = selectedRows > 0;
    // The cache folder analysis reads evidence; it never changes the folder.
    if (source == CacheArchive) s.deleteEnabled = false;
    s.saveAllEnabled = rowCount > 0;
    s.previewEnabled = selectedRows == 1;
    const bool ie = IsIeSource(source);
    s.siteComboEnabled = HasSites(source);
    s.modifiedFieldShown = ie;
    if (ie) {
        s.labelUrl = IDS_LABEL_ADDRESS;
        s.labelCreated = IDS_LABEL_CREATED;
        s.labelSize = IDS_LABEL_SIZE;
    } else {
        s.labelUrl = IDS_LABEL_FILE;
        s.labelCreated = IDS_LABEL_SIZE;
        s.labelSize = IDS_LABEL_MODIFIED;
    }
    s.chooseDateEnabled = dateMode == DateExact || dateMode == DateRange;
    s.chooseFolderEnabled = source == ChosenFolder || source == CacheArchive;
    return s;
}

}  // namespace fh
