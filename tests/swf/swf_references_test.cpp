#include "swf/swf_references.h"

#include <gtest/gtest.h>

#include "avm1/avm1_fixture.h"
#include "support/swf_writer.h"

namespace fh {
namespace {

using test::Asm;
using test::CallMethod;
using test::New;
using test::SwfTag;

std::string Le16(std::size_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
std::string Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
// An action list as a tag holds it, with its end flag.
std::string Code(const Asm& a) { return std::string(reinterpret_cast<const char*>(a.Data()), a.Size()) + '\0'; }
std::string DoAction(const Asm& a) { return SwfTag(12, Code(a)); }
Asm GetUrl(const std::string& url, const std::string& target) { return Asm().Act(0x83, url + '\0' + target + '\0'); }
Asm GetUrl2(Asm pushes, std::uint8_t flags) { return pushes.Act(0x9A, std::string(1, static_cast<char>(flags))); }
// var name = new cls(); name.method(url)
Asm Made(const std::string& cls, const std::string& method, const std::string& url) {
    return Asm().Str("v").Add(New(cls)).Op(0x3C).Add(CallMethod(Asm().GetVar("v"), method, {Asm().Str(url)}));
}
std::string Abc(const std::vector<std::string>& strings) {
    std::string abc = Le16(16) + Le16(46) + std::string(3, '\0') + static_cast<char>(strings.size() + 1);
    for (const std::string& s : strings) abc += static_cast<char>(s.size()) + s;
    return abc;
}

std::string Movie(const std::vector<std::string>& tags, const char* signature = "FWS") {
    test::SwfMovie m;
    m.signature = signature;
    m.showFrame = false;
    for (const std::string& t : tags) m.afterFirstFrame += t;
    return test::BuildSwf(m);
}

std::string Describe(const SwfReferences& found) {
    static const char* kinds[] = {"movie", "data", "picture", "sound", "video", "page"};
    static const char* hows[] = {"GetURL", "GetURL2", "method", "function", "import", "abc"};
    std::string s = found.complete ? "" : "(incomplete) ";
    for (const SwfReference& r : found.refs)
        s += r.text + (r.target.empty() ? "" : "@" + r.target) + " " + kinds[static_cast<int>(r.kind)] + " " +
             hows[static_cast<int>(r.how)] + (r.link ? " link" : "") + "; ";
    return s;
}

TEST(SwfReferences, FindsWhatEveryKindOfScriptNamesWithoutRunningIt) {
    const Asm level = GetUrl2(Asm().Pool({"levels/", "level1.swf", "_level1"}).Const(0).Const(1).Op(0x47).Const(2), 0);
    // A function's body is scanned apart; the URL pushed before it is still there after it.
    const Asm around = GetUrl2(Asm().Str("outer.swf").Str("_level2").Function("f", {}, Asm().Str("junk").Op(0x17)), 0);
    Asm many;
    for (int i = 0; i < 10000; ++i) many.Add(GetUrl("l" + std::to_string(i) + ".swf", "_level1"));
    SwfReferenceLimits small;
    small.maxReferences = 2;
    SwfReferenceLimits tight;
    tight.maxWork = 5000;
    std::vector<std::string> pool(20000, "x");
    struct Case {
        const char* label;
        std::string movie;
        std::string expected;
        SwfReferenceLimits limits = SwfReferenceLimits();
    } cases[] = {
        {"getURL to a window is a link, to a level a movie",
         Movie({DoAction(GetUrl("help.html", "_blank").Add(GetUrl("intro.swf", "_level1")))}),
         "help.html@_blank page GetURL link; intro.swf@_level1 movie GetURL; "},
        {"loadMovieNum of pool strings joined by Add",
         Movie({DoAction(level)}), "levels/level1.swf@_level1 movie GetURL2; "},
        {"loadVariables and loadMovie into a clip (a picture by its extension)",
         Movie({DoAction(GetUrl2(Asm().Str("vars.php?id=3").Str("_root"), 0x81)
                             .Add(GetUrl2(Asm().Str("../img/bg.jpg").Str("holder"), 0x02)))}),
         "vars.php?id=3@_root data GetURL2; ../img/bg.jpg@holder picture GetURL2; "},
        {"methods of objects made by new, and of any clip",
         Movie({DoAction(Made("XML", "load", "data/config.xml")
                             .Add(Made("LoadVars", "sendAndLoad", "save.asp"))
                             .Add(Made("NetStream", "play", "intro.flv"))
                             .Add(CallMethod(Asm().GetVar("snd"), "loadSound", {Asm().Str("sounds/bgm.mp3")}))
                             .Add(CallMethod(Asm().GetVar("mcl"), "loadClip", {Asm().Str("parts/a.swf")})))}),
         "data/config.xml data method; save.asp data method; intro.flv video method; sounds/bgm.mp3 sound method; "
         "parts/a.swf movie method; "},
        {"what does not load a file names nothing",
         Movie({DoAction(Made("Sound", "load", "x.mp3")
                             .Add(CallMethod(Asm().GetVar("o"), "load", {Asm().Str("settings")}))
                             .Add(CallMethod(Asm().GetVar("bd"), "loadBitmap", {Asm().Str("logo.png")}))),
                DoAction(GetUrl("javascript:go()", "").Add(GetUrl("FSCommand:quit", "")).Add(GetUrl("a b.swf", "_level1")))}),
         ""},
        {"a function's body apart from the stack round it", Movie({DoAction(around)}),
         "outer.swf@_level2 movie GetURL2; "},
        {"sprites, both buttons, clip handlers (a key press's too) and init actions",
         Movie({SwfTag(39, Le16(1) + Le16(1) + DoAction(Asm().Str("s.swf").Str("_level3").Act(0x9A, std::string(1, '\0'))) + SwfTag(0, "")),
                SwfTag(7, Le16(2) + '\0' + Code(GetUrl("b1.swf", "_level4"))),
                SwfTag(34, Le16(3) + '\0' + Le16(3) + '\0' + Le16(0) + Le16(8) + Code(GetUrl("b2.swf", "_level5"))),
                SwfTag(26, std::string(1, '\x82') + Le16(1) + Le16(2) + Le16(0) + Le32(1) + Le32(1) +
                               Le32(GetUrl("c.swf", "_level6").Size() + 1) + Code(GetUrl("c.swf", "_level6")) +
                               Le32(1u << 17) + Le32(GetUrl("k.swf", "_level8").Size() + 2) + '\x9A' +
                               Code(GetUrl("k.swf", "_level8")) + Le32(0)),
                SwfTag(59, Le16(1) + Code(GetUrl("i.swf", "_level7")))}),
         "s.swf@_level3 movie GetURL2; b1.swf@_level4 movie GetURL; b2.swf@_level5 movie GetURL; "
         "c.swf@_level6 movie GetURL; k.swf@_level8 movie GetURL; i.swf@_level7 movie GetURL; "},
        {"imported assets and ActionScript 3 strings shaped like files",
         Movie({SwfTag(57, std::string("lib/shared.swf\0", 15) + Le16(0)),
                SwfTag(71, std::string("lib2.swf\0\1\0", 11) + Le16(0)),
                SwfTag(82, Le32(1) + '\0' +
                               Abc({"assets/ui.swf", "http://cdn.example/s.php?a=1", "about.html", "two words.swf",
                                    "flash.display", "<a href='x.swf'>", "mp3"}))}),
         "lib/shared.swf movie import; lib2.swf movie import; assets/ui.swf movie abc; "
         "http://cdn.example/s.php?a=1 data abc; about.html page abc link; "},
        {"zlib movie", Movie({DoAction(level)}, "CWS"), "levels/level1.swf@_level1 movie GetURL2; "},
        {"LZMA movie", Movie({DoAction(level)}, "ZWS"), "levels/level1.swf@_level1 movie GetURL2; "},
        {"ten thousand loads, references kept within their cap", Movie({DoAction(many)}),
         "(incomplete) l0.swf@_level1 movie GetURL; l1.swf@_level1 movie GetURL; ", small},
        {"a huge pool ends within the work budget",
         Movie({DoAction(Asm().Pool(pool).Add(level)), DoAction(level)}), "(incomplete) ", tight},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        MemorySource source(c.movie);
        const SwfReferences found = ScanSwfReferences(source, c.limits);
        EXPECT_EQ(c.expected, Describe(found));
    }
}

}  // namespace
}  // namespace fh
