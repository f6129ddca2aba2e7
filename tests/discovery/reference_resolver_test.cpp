#include "discovery/reference_resolver.h"

#include <gtest/gtest.h>

#include <map>

#include "avm1/avm1_fixture.h"
#include "support/swf_writer.h"
#include "swf/swf_references.h"

namespace fh {
namespace {

const char* FoundText(ResolvedReference::Found f) {
    return f == ResolvedReference::Found::Here ? "here" : f == ResolvedReference::Found::OnSite ? "on site" : "missing";
}

CachedAddresses Cache(const std::vector<std::string>& addresses) {
    CachedAddresses cached;
    for (const std::string& a : addresses) cached.Add(a);
    return cached;
}

TEST(ReferenceResolver, ResolvesRelativeToTheMovieThenOnItsSite) {
    const CachedAddresses cached = Cache({
        "http://games.example/arcade/main.swf",
        "http://games.example/arcade/levels/level1.swf",
        "http://games.example/arcade/img/bg.jpg",
        "http://games.example/games/x/levels/level2.swf",
        "http://games.example/old/levels/level2.swf",
        "http://other.example/levels/level3.swf",
        "http://Games.Example/arcade/data/config.xml",
        "http://games.example/arcade/s.php?id=3",
    });
    const std::string main = "http://games.example/arcade/main.swf";
    const std::string rfc = "http://a/b/c/d;p?q";
    struct Case {
        std::string movie, ref, address, found;
    } cases[] = {
        {main, "levels/level1.swf", "http://games.example/arcade/levels/level1.swf", "here"},
        {"http://games.example/arcade/levels/level1.swf?v=2", "../img/bg.jpg", "http://games.example/arcade/img/bg.jpg",
         "here"},
        {main + "?v=2#top", "main.swf", main, "here"},
        {main, "data/config.xml", "http://Games.Example/arcade/data/config.xml", "here"},
        {main, "s.php?id=3", "http://games.example/arcade/s.php?id=3", "here"},
        {main, "s.php?id=4", "http://games.example/arcade/s.php?id=4", "missing"},
        // Of two on the site, the one nearer the movie.
        {"http://games.example/games/x/main.swf", "../levels/level2.swf", "http://games.example/games/x/levels/level2.swf",
         "on site"},
        {"http://games.example/old/a/main.swf", "levels/level2.swf", "http://games.example/old/levels/level2.swf",
         "on site"},
        {main, "vels/level2.swf", "http://games.example/arcade/vels/level2.swf", "missing"},
        {main, "level3.swf", "http://games.example/arcade/level3.swf", "missing"},
        {main, "http://other.example/levels/level3.swf", "http://other.example/levels/level3.swf", "here"},
        {main, "http://other.example/level3.swf", "http://other.example/level3.swf", "missing"},
        // Resolution as RFC 3986, 5.4 has it, but for the base's query, which is never inherited.
        {rfc, "g", "http://a/b/c/g", "missing"},
        {rfc, "./g/.", "http://a/b/c/g/", "missing"},
        {rfc, "g?y#s", "http://a/b/c/g?y", "missing"},
        {rfc, "", "http://a/b/c/d;p", "missing"},
        {rfc, "//g", "http://g", "missing"},
        {rfc, "/./g", "http://a/g", "missing"},
        {rfc, "../../../g", "http://a/g", "missing"},
        {rfc, "g;x=1/../y", "http://a/b/c/y", "missing"},
        {rfc, "g/..", "http://a/b/c/", "missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.movie + " + " + c.ref);
        const ResolvedReference r = ResolveReference(c.movie, c.ref, cached);
        EXPECT_EQ(c.address, r.address);
        EXPECT_EQ(c.found, FoundText(r.found));
    }
}

TEST(ReferenceResolver, FollowsTheMoviesFoundEachAddressOnce) {
    const std::string site = "http://games.example/arcade/";
    std::map<std::string, std::vector<std::string>> names = {
        {site + "main.swf", {"levels/level1.swf", "data/config.xml", "sounds/bgm.mp3", "help/../levels/level1.swf"}},
        {site + "levels/level1.swf", {"../img/bg.jpg", "../main.swf", "../sounds/bgm.mp3"}},
    };
    std::vector<std::string> addresses = {site + "main.swf", site + "levels/level1.swf", site + "data/config.xml",
                                          site + "img/bg.jpg"};
    // A chain of movies, each loading the next.
    for (int i = 0; i < 12; ++i) {
        names[site + "c" + std::to_string(i) + ".swf"] = {"c" + std::to_string(i + 1) + ".swf"};
        addresses.push_back(site + "c" + std::to_string(i) + ".swf");
    }
    const CachedAddresses cached = Cache(addresses);
    auto named = [&](const std::string& address) {
        const auto it = names.find(address);
        return it == names.end() ? std::vector<std::string>() : it->second;
    };
    FollowLimits few;
    few.maxAddresses = 3;
    struct Case {
        const char* label;
        std::string movie;
        FollowLimits limits;
        std::string expected;
    } cases[] = {
        {"a game's levels and what they load, back to itself", site + "main.swf", FollowLimits(),
         "1 levels/level1.swf here; 1 data/config.xml here; 1 sounds/bgm.mp3 missing; 2 ../img/bg.jpg here; "},
        {"eight steps deep", site + "c0.swf", FollowLimits(),
         "1 c1.swf here; 2 c2.swf here; 3 c3.swf here; 4 c4.swf here; 5 c5.swf here; 6 c6.swf here; 7 c7.swf here; "
         "8 c8.swf here; "},
        {"addresses within their cap", site + "c0.swf", few, "1 c1.swf here; 2 c2.swf here; "},
        {"a movie that names nothing", site + "img/bg.jpg", FollowLimits(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string got;
        for (const NamedFile& f : FollowReferences(c.movie, cached, named, c.limits))
            got += std::to_string(f.depth) + " " + f.text + " " + FoundText(f.resolved.found) + "; ";
        EXPECT_EQ(c.expected, got);
    }
}

// A game as the movie writer makes it, its files in a cache but for its music.
TEST(ReferenceResolver, FindsTheFilesAWrittenGameLoads) {
    using test::Asm;
    auto movie = [](const Asm& code) {
        test::SwfMovie m;
        m.showFrame = false;
        m.afterFirstFrame = test::SwfTag(12, std::string(reinterpret_cast<const char*>(code.Data()), code.Size()) + '\0');
        return test::BuildSwf(m);
    };
    auto getUrl2 = [](const std::string& url, const std::string& target, char flags) {
        return Asm().Str(url).Str(target).Act(0x9A, std::string(1, flags));
    };
    const std::string site = "http://games.example/arcade/";
    const std::map<std::string, std::string> bodies = {
        {site + "main.swf",
         movie(getUrl2("levels/level1.swf", "_level1", 0)
                   .Pool({"cfg", "XML", "data/config.xml", "load"})
                   .Const(0).Num(0).Const(1).Op(0x40).Op(0x3C)
                   .Const(2).Num(1).Const(0).Op(0x1C).Const(3).Op(0x52)
                   .Add(test::CallMethod(Asm().GetVar("bgm"), "loadSound", {Asm().Str("sounds/bgm.mp3")}))
                   .Add(getUrl2("help.html", "_blank", 0)))},
        {site + "levels/level1.swf", movie(getUrl2("../img/bg.jpg", "holder", 2))},
    };
    const CachedAddresses cached =
        Cache({site + "main.swf", site + "levels/level1.swf", site + "data/config.xml", site + "img/bg.jpg"});
    std::vector<std::string> links;
    auto named = [&](const std::string& address) {
        std::vector<std::string> texts;
        const auto it = bodies.find(address);
        if (it == bodies.end()) return texts;
        MemorySource source(it->second);
        for (const SwfReference& r : ScanSwfReferences(source).refs) (r.link ? links : texts).push_back(r.text);
        return texts;
    };
    std::string got;
    for (const NamedFile& f : FollowReferences(site + "main.swf", cached, named))
        got += f.resolved.address + " " + FoundText(f.resolved.found) + "; ";
    EXPECT_EQ(site + "levels/level1.swf here; " + site + "data/config.xml here; " + site + "sounds/bgm.mp3 missing; " +
                  site + "img/bg.jpg here; ",
              got);
    EXPECT_EQ(std::vector<std::string>{"help.html"}, links);
}

}  // namespace
}  // namespace fh
