#include "ui/main_view.h"

#include <gtest/gtest.h>

#include "res/resource.h"
#include "ui/date_filter.h"

namespace fh {
namespace {

SwfEntry Entry(const std::string& site, bool unclassified) {
    SwfEntry e;
    e.site = site;
    e.unclassified = unclassified;
    e.path = "x";
    return e;
}

TEST(MainView, SiteRestrictionByComboText) {
    const SwfEntry indexed = Entry("example.com", false);
    const SwfEntry otherCase = Entry("Example.com", false);
    const SwfEntry scanned = Entry("", true);
    struct Case {
        const char* label;
        std::optional<std::string> selected;
        bool indexedPasses, otherCasePasses, scannedPasses;
    } cases[] = {
        {"nothing selected", std::nullopt, true, true, true},
        {"empty text", std::string(), true, true, true},
        {"all sites", std::string("ALL"), true, true, true},
        {"unclassified", std::string("UNCL"), false, false, true},
        {"host is case-sensitive", std::string("example.com"), true, false, false},
        {"unknown host", std::string("nowhere"), false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SiteRestriction r = MakeSiteRestriction(c.selected, "ALL", "UNCL");
        EXPECT_EQ(c.indexedPasses, PassesSiteRestriction(r, indexed));
        EXPECT_EQ(c.otherCasePasses, PassesSiteRestriction(r, otherCase));
        EXPECT_EQ(c.scannedPasses, PassesSiteRestriction(r, scanned));
    }
}

TEST(MainView, ControlStateFollowsSourceSelectionAndDateMode) {
    struct Case {
        const char* label;
        int source, selected, rows, mode;
        bool del, preview, saveAll, site, modified, chooseDate, chooseFolder;
        int labelUrl, labelCreated, labelSize;
    } cases[] = {
        {"ie, empty", IeCache, 0, 0, DateAll, false, false, false, true, true, false, false, IDS_LABEL_ADDRESS,
         IDS_LABEL_CREATED, IDS_LABEL_SIZE},
        {"ie, one selected", IeCache, 1, 3, DateToday, true, true, true, true, true, false, false, IDS_LABEL_ADDRESS,
         IDS_LABEL_CREATED, IDS_LABEL_SIZE},
        {"ie, two selected: no preview", IeCache, 2, 3, DateExact, true, false, true, true, true, true, false,
         IDS_LABEL_ADDRESS, IDS_LABEL_CREATED, IDS_LABEL_SIZE},
        {"unknown source acts as ie", 0, 0, 1, DateRange, false, false, true, true, true, true, false,
         IDS_LABEL_ADDRESS, IDS_LABEL_CREATED, IDS_LABEL_SIZE},
        {"firefox", FirefoxCache, 0, 0, DateAll, false, false, false, false, false, false, false, IDS_LABEL_FILE,
         IDS_LABEL_SIZE, IDS_LABEL_MODIFIED},
        {"chosen folder", ChosenFolder, 1, 1, DateYesterday, true, true, true, false, false, false, true,
         IDS_LABEL_FILE, IDS_LABEL_SIZE, IDS_LABEL_MODIFIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ControlState s = ComputeControlState(c.source, c.selected, c.rows, c.mode);
        EXPECT_EQ(c.del, s.deleteEnabled);
        EXPECT_EQ(c.del, s.saveEnabled);
        EXPECT_EQ(c.del, s.saveAsEnabled);
        EXPECT_EQ(c.preview, s.previewEnabled);
        EXPECT_EQ(c.saveAll, s.saveAllEnabled);
        EXPECT_EQ(c.site, s.siteComboEnabled);
        EXPECT_EQ(c.modified, s.modifiedFieldShown);
        EXPECT_EQ(c.chooseDate, s.chooseDateEnabled);
        EXPECT_EQ(c.chooseFolder, s.chooseFolderEnabled);
        EXPECT_EQ(c.labelUrl, s.labelUrl);
        EXPECT_EQ(c.labelCreated, s.labelCreated);
        EXPECT_EQ(c.labelSize, s.labelSize);
    }
}

}  // namespace
}  // namespace fh
