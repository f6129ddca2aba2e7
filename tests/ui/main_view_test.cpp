#include "ui/main_view.h"

#include <gtest/gtest.h>

#include "res/resource.h"
#include "support/fake_clock.h"
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

TEST(MainView, StartupFiltersFromSettingsAndCommandLine) {
    struct Case {
        const char* label;
        bool saveSite;
        const char* storedSite;
        bool saveDate;
        const char* storedDate;
        const char* commandSite;
        int storedSource;
        const char* site;
        const char* date;
        int source;
    } cases[] = {
        {"defaults", false, "", false, "", "", 135, "ALL", "ANY", IeCache},
        {"stored filters ignored unless switched on", false, "x.com", false, "TODAY", "", 134, "ALL", "ANY",
         FirefoxCache},
        {"stored filters restored", true, "x.com", true, "TODAY", "", 136, "x.com", "TODAY", ChosenFolder},
        {"empty stored texts keep the defaults", true, "", true, "", "", 135, "ALL", "ANY", IeCache},
        {"command line wins and forces the IE cache", true, "x.com", false, "", "Games", 134, "Games", "ANY",
         IeCache},
        {"command line 'all' means every site", true, "x.com", false, "", "all", 136, "ALL", "ANY", IeCache},
        {"'ALL' is a host like any other", false, "", false, "", "ALL", 135, "ALL", "ANY", IeCache},
        {"unknown stored source", false, "", false, "", "", 999, "ALL", "ANY", IeCache},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        StartupInputs in;
        in.saveSiteFilter = c.saveSite;
        in.siteFilter = c.storedSite;
        in.saveDateFilter = c.saveDate;
        in.dateFilter = c.storedDate;
        in.commandLineSite = c.commandSite;
        in.source = c.storedSource;
        in.allSitesText = "ALL";
        in.allDatesText = "ANY";
        const StartupFilters out = ResolveStartupFilters(in);
        EXPECT_EQ(c.site, out.siteFilter);
        EXPECT_EQ(c.date, out.dateText);
        EXPECT_EQ(c.source, out.source);
    }
}

TEST(MainView, ListRowsPerSourceAndFilter) {
    test::FakeClock clock(1000000);
    auto entry = [](int id, const char* name, const char* site, bool unclassified, bool folder, std::int64_t time) {
        SwfEntry e;
        e.id = id;
        e.name = name;
        e.site = site;
        e.unclassified = unclassified;
        e.isFolder = folder;
        e.fileTime = time;
        e.path = "p";
        return e;
    };
    const SwfEntryList entries = {
        entry(2, "..", "", false, true, 0),      entry(3, "sub", "", false, true, 0),
        entry(4, "new", "a.com", false, false, 1000000), entry(5, "old", "b.com", false, false, 0),
        entry(6, "loose", "", true, false, 1000000),
    };
    auto ids = [](const ListFill& f) {
        std::vector<int> v;
        for (const ListRow& r : f.rows) v.push_back(r.id);
        return v;
    };
    ListFilter filter;
    filter.allSitesText = "ALL";
    filter.unclassifiedText = "UNCL";

    filter.source = ChosenFolder;
    filter.dateMode = DateToday;
    ListFill fill = ComputeListRows(entries, filter, clock);
    EXPECT_FALSE(fill.sorted);
    EXPECT_FALSE(fill.selectFirst);
    EXPECT_EQ((std::vector<int>{2, 3, 4, 6}), ids(fill));  // folders whatever the date
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), [&] {
        std::vector<int> v;
        for (const ListRow& r : fill.rows) v.push_back(r.index);
        return v;
    }());
    EXPECT_EQ(0, fill.rows[0].image);
    EXPECT_EQ(1, fill.rows[2].image);

    filter.source = IeCache;
    filter.dateMode = DateAll;
    filter.siteText = "b.com";
    fill = ComputeListRows(entries, filter, clock);
    EXPECT_TRUE(fill.sorted);
    EXPECT_TRUE(fill.selectFirst);
    EXPECT_EQ(std::vector<int>{5}, ids(fill));
    EXPECT_EQ(0, fill.rows[0].index);
    filter.siteText = "UNCL";
    EXPECT_EQ(std::vector<int>{6}, ids(ComputeListRows(entries, filter, clock)));

    // Firefox's entries name their addresses: its rows have sites too.
    filter.source = FirefoxCache;
    filter.dateMode = DateToday;
    EXPECT_EQ(std::vector<int>{6}, ids(ComputeListRows(entries, filter, clock)));
    filter.siteText = "ALL";
    EXPECT_EQ((std::vector<int>{4, 6}), ids(ComputeListRows(entries, filter, clock)));
}

TEST(MainView, DetailTextsPerSource) {
    SwfEntry e;
    e.url = "http://a.com/x.swf";
    e.path = "C:\\cache\\x.swf";
    e.lastModifiedText = "Wed, 15 Mar 2006 14:05:09 GMT";
    e.sizeText = "1 234";
    DetailTexts ie = ComputeDetailTexts(e, IeCache, " bytes", "03/15/06 14:05:09");
    EXPECT_EQ(e.url, ie.address);
    EXPECT_EQ(e.lastModifiedText, ie.second);
    EXPECT_EQ("1 234 bytes", ie.third);
    EXPECT_EQ(std::optional<std::string>("03/15/06 14:05:09"), ie.fourth);
    e.url.clear();
    EXPECT_EQ(e.path, ComputeDetailTexts(e, IeCache, " bytes", "t").address);
    for (int source : {FirefoxCache, ChosenFolder}) {
        DetailTexts other = ComputeDetailTexts(e, source, " bytes", "t");
        EXPECT_EQ(e.path, other.address);
        EXPECT_EQ("1 234 bytes", other.second);
        EXPECT_EQ("t", other.third);
        EXPECT_FALSE(other.fourth);
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
        {"firefox", FirefoxCache, 0, 0, DateAll, false, false, false, true, false, false, false, IDS_LABEL_FILE,
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
    // The cache folder analysis reads like the IE cache, chooses its folder,
    // and never deletes.
    const ControlState archive = ComputeControlState(CacheArchive, 2, 3, DateAll);
    EXPECT_FALSE(archive.deleteEnabled);
    EXPECT_TRUE(archive.saveEnabled && archive.siteComboEnabled && archive.modifiedFieldShown);
    EXPECT_TRUE(archive.chooseFolderEnabled);
    EXPECT_EQ(IDS_LABEL_ADDRESS, archive.labelUrl);
}

}  // namespace
}  // namespace fh
