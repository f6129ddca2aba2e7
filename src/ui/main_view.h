#pragma once
// The main window's decisions that need no window: the filters it starts
// with, which entries a refill shows and in what order, the texts of the
// detail fields, and which controls the current state enables.

#include <optional>
#include <string>
#include <vector>

#include "base/local_time.h"
#include "discovery/swf_entry.h"
#include "ui/date_filter.h"

namespace fh {

struct SiteRestriction {
    enum Kind { None, Unclassified, Host };
    Kind kind = None;
    std::string host;
};

// From the site combo's selected text (nothing when no item is selected).
SiteRestriction MakeSiteRestriction(const std::optional<std::string>& selected, const std::string& allSitesText,
                                    const std::string& unclassifiedText);
bool PassesSiteRestriction(const SiteRestriction& restriction, const SwfEntry& entry);

// What start-up read from the settings and the command line.
struct StartupInputs {
    bool saveSiteFilter = false;
    std::string siteFilter;  // the stored text; empty when missing
    bool saveDateFilter = false;
    std::string dateFilter;  // the stored text; empty when missing
    std::string commandLineSite;
    int source = 135;  // the stored number
    std::string allSitesText;
    std::string allDatesText;
};

struct StartupFilters {
    std::string siteFilter;  // m_strSiteFilter
    std::string dateText;    // selected in the date combo by its beginning
    int source = 135;        // selected in the source combo by its text
};

StartupFilters ResolveStartupFilters(const StartupInputs& in);

// One row of a refill: the entry's name and image, inserted at `index`.
struct ListRow {
    int index = 0;
    std::string name;
    int image = 1;  // 0 folder, 1 movie
    std::int32_t id = 0;
};

struct ListFill {
    bool sorted = true;       // the list keeps the rows sorted by text
    bool selectFirst = true;  // row 0 is selected afterwards (when there is one)
    std::vector<ListRow> rows;
};

struct ListFilter {
    int source = 135;
    std::optional<std::string> siteText;  // the site combo's selection
    std::string allSitesText;
    std::string unclassifiedText;
    int dateMode = DateAll;
    DateFilterDates dates;
};

// The rows of a refill in insertion order. The chosen-folder view keeps the
// entry order (folders first, as loaded) and selects nothing; the other
// views insert every row at 0 into a sorted list and select the first.
ListFill ComputeListRows(const SwfEntryList& entries, const ListFilter& filter, const Clock& clock);

// The detail fields of a shown movie: 1005, 1009, 1008 and, for the
// Internet Explorer cache only, 1010.
struct DetailTexts {
    std::string address;   // 1005
    std::string second;    // 1009
    std::string third;     // 1008
    std::optional<std::string> fourth;  // 1010; not written for other sources
};

// `bytesSuffix` is string 144, `timeText` the entry's time as "%c".
DetailTexts ComputeDetailTexts(const SwfEntry& entry, int source, const std::string& bytesSuffix,
                               const std::string& timeText);

struct ControlState {
    bool deleteEnabled = false;
    bool saveAsEnabled = false;
    bool saveEnabled = false;
    bool saveAllEnabled = false;
    bool previewEnabled = false;
    bool siteComboEnabled = false;
    bool modifiedFieldShown = false;  // label 1025 and field 1010
    bool chooseDateEnabled = false;
    bool chooseFolderEnabled = false;  // button 1019 and field 1018
    int labelUrl = 0;       // string ids of labels 1022, 1024 and 1023
    int labelCreated = 0;
    int labelSize = 0;
};

ControlState ComputeControlState(int source, int selectedRows, int rowCount, int dateMode);

}  // namespace fh
