#pragma once
// The main window's decisions that need no window: which entries a refill
// shows and which controls the current state enables.

#include <optional>
#include <string>

#include "discovery/swf_entry.h"

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
