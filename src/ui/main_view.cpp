#include "ui/main_view.h"

#include "res/resource.h"
#include "ui/date_filter.h"

namespace fh {

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

ControlState ComputeControlState(int source, int selectedRows, int rowCount, int dateMode) {
    ControlState s;
    s.deleteEnabled = s.saveAsEnabled = s.saveEnabled = selectedRows > 0;
    s.saveAllEnabled = rowCount > 0;
    s.previewEnabled = selectedRows == 1;
    const bool ie = source != FirefoxCache && source != ChosenFolder;
    s.siteComboEnabled = ie;
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
    s.chooseFolderEnabled = source == ChosenFolder;
    return s;
}

}  // namespace fh
