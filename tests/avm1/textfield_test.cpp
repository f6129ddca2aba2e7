// Text fields: the field model (plain text, HTML read and written, format
// ranges), and the TextField, TextFormat and Selection objects scripts see,
// over a host whose timelines may be text fields.

#include <gtest/gtest.h>

#include "avm1/avm1_fixture.h"
#include "avm1/avm1_text.h"
#include "swf/swf_edit_text.h"

namespace fh {
namespace {

using test::Asm;
using test::CallMethod;
using test::Member;
using test::SetMember;

std::string Text(const SwfEditText& f) { return SwfCharsToUtf8(f.Chars()); }

TEST(SwfEditTextModel, PlainAndHtmlTextReadBackAsThePlayersGiveThem) {
    struct Case {
        const char* label;
        bool html;
        const char* in;
        const char* text;
        const char* htmlOut;  // "" to skip
    } cases[] = {
        {"line ends become paragraph ends", false, "a\r\nb\nc\rd", "a\rb\rc\rd", ""},
        {"paragraphs", true, "<p align=\"center\">one</p><p>two</p>", "one\rtwo",
         "<P ALIGN=\"CENTER\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
         "KERNING=\"0\">one</FONT></P><P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" "
         "COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">two</FONT></P>"},
        {"a differing run nests its own attributes", true, "a<font color='#aaaaaa'><b>b</b></font>", "ab",
         "<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
         "KERNING=\"0\">a<FONT COLOR=\"#AAAAAA\"><B>b</B></FONT></FONT></P>"},
        {"entities both ways", true, "&lt;x&gt; &amp; &#65;", "<x> & A",
         "<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" LETTERSPACING=\"0\" "
         "KERNING=\"0\">&lt;x&gt; &amp; A</FONT></P>"},
        {"a newline in HTML ends a paragraph", true, "\ntest\n", "\rtest\r", ""},
        {"margins go in TEXTFORMAT", true, "<textformat leftmargin='5'>m</textformat>", "m",
         "<TEXTFORMAT LEFTMARGIN=\"5\"><P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" "
         "COLOR=\"#000000\" LETTERSPACING=\"0\" KERNING=\"0\">m</FONT></P></TEXTFORMAT>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SwfEditText f;
        if (c.html) {
            f.SetHtml(c.in);
        } else {
            f.SetText(SwfUtf8ToChars(c.in));
        }
        EXPECT_EQ(Text(f), c.text);
        if (*c.htmlOut) {
            EXPECT_EQ(f.Html(), c.htmlOut);
        }
    }
}

TEST(SwfEditTextModel, FormatRangesMixedParagraphsAndCaps) {
    SwfEditText f;
    f.SetText(SwfUtf8ToChars("ab\rcd"));
    SwfFormatPatch red;
    red.format.color = 0xFF0000;
    red.format.align = SwfAlign::Right;
    red.mask = kFmtColor | kFmtAlign;
    f.SetFormat(0, 1, red);
    // The colour reaches the one character, the alignment its whole paragraph.
    EXPECT_EQ(f.FormatAt(0).color, 0xFF0000u);
    EXPECT_EQ(f.FormatAt(1).color, 0u);
    EXPECT_EQ(f.FormatAt(1).align, SwfAlign::Right);
    EXPECT_EQ(f.FormatAt(3).align, SwfAlign::Left);
    const SwfFormatPatch mixed = f.FormatOf(0, 2);
    EXPECT_FALSE(mixed.mask & kFmtColor);
    EXPECT_TRUE(mixed.mask & kFmtAlign);
    EXPECT_EQ(f.FormatOf(2, 2).mask, 0u);

    // Hostile input stays within the caps.
    std::string deep;
    for (int i = 0; i < 10000; ++i) deep += "<font size='+1'><b>";
    f.SetHtml(deep + "x");
    EXPECT_EQ(Text(f), "x");
    f.SetText(std::u32string(SwfEditText::kMaxChars + 10, U'y'));
    EXPECT_EQ(f.Length(), SwfEditText::kMaxChars);
    // More distinct formats than the table holds: older unused ones make room.
    f.SetText(std::u32string(3000, U'y'));
    for (int i = 0; i < 2000; ++i) {
        SwfFormatPatch s;
        s.format.size = i;
        s.mask = kFmtSize;
        f.SetFormat(static_cast<std::size_t>(i), static_cast<std::size_t>(i) + 1, s);
    }
    EXPECT_EQ(f.FormatAt(5).size, 5);
}

// Timelines 2 and 3 are text fields "tf" and "tf2" on the root.
class TextHost : public test::FakeHost {
public:
    TextHost() {
        AddClip(1, "tf");
        AddClip(1, "tf2");
        fields[2].SetText(SwfUtf8ToChars("hello"));
        fields[3].variable = "shown";
    }
    SwfEditText* TextField(avm1::TimelineId t) override { return fields.count(t) ? &fields[t] : nullptr; }
    void TextFieldChanged(avm1::TimelineId t) override { ++changes[t]; }
    avm1::TimelineId Focus() override { return focus; }
    void SetFocus(avm1::TimelineId t) override { focus = t; }

    std::map<avm1::TimelineId, SwfEditText> fields;
    std::map<avm1::TimelineId, int> changes;
    avm1::TimelineId focus = 0;
};

std::string RunText(TextHost& host, const Asm& code, int version = 8) {
    avm1::Machine machine(host, version);
    machine.RunActions(1, code.Data(), code.Size());
    return host.Take();
}

Asm Tf() { return Asm().GetVar("tf"); }

TEST(Avm1TextField, PropertiesConvertAsThePlayersDo) {
    struct Case {
        const char* label;
        const char* property;
        Asm value;
        const char* read;
    } cases[] = {
        {"text", "text", Asm().Str("a\nb"), "a\nb"},  // trace shows '\r' as a line break
        {"border colour keeps 24 bits", "borderColor", Asm().Num(-1), "16777215"},
        {"autoSize true is left", "autoSize", Asm().Bool(true), "left"},
        {"autoSize unknown is none", "autoSize", Asm().Str("middle"), "none"},
        {"type ignores case", "type", Asm().Str("INPUT"), "input"},
        {"type unknown keeps", "type", Asm().Str("bogus"), "dynamic"},
        {"variable null", "variable", Asm().Null(), "null"},
        {"length is read-only", "length", Asm().Num(99), "5"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        TextHost host;
        EXPECT_EQ(RunText(host, SetMember(Tf(), c.property, c.value).Add(Member(Tf(), c.property)).Trace()), c.read);
    }
    TextHost host;
    EXPECT_EQ(RunText(host, Tf().Op(0x44).Trace()), "object");  // typeof
    // A change is told to the host, which lays the field out again.
    RunText(host, SetMember(Tf(), "text", Asm().Str("x")));
    EXPECT_GT(host.changes[2], 0);
}

TEST(Avm1TextField, FormatsVariablesAndFocus) {
    struct Case {
        const char* label;
        Asm code;
        const char* trace;
    } cases[] = {
        {"sizes round halves to even, past 32 bits the smallest int",
         Asm().Str("f").Add(test::New("TextFormat")).Op(0x3C)
             .Add(SetMember(Asm().GetVar("f"), "size", Asm().Num(2.5))).Add(Member(Asm().GetVar("f"), "size")).Trace()
             .Add(SetMember(Asm().GetVar("f"), "size", Asm().Num(4294967295.0))).Add(Member(Asm().GetVar("f"), "size")).Trace()
             .Add(SetMember(Asm().GetVar("f"), "color", Asm().Num(-3.5))).Add(Member(Asm().GetVar("f"), "color")).Trace()
             .Add(Member(Asm().GetVar("f"), "font")).Trace(),
         "2|-2147483648|4294967293|null"},
        {"a range's mixed field is null",
         Asm().Str("f").Add(test::New("TextFormat")).Op(0x3C)
             .Add(SetMember(Asm().GetVar("f"), "bold", Asm().Bool(true)))
             .Add(CallMethod(Tf(), "setTextFormat", {Asm().Int(0), Asm().Int(1), Asm().GetVar("f")})).Op(0x17)
             .Add(Member(CallMethod(Tf(), "getTextFormat", {Asm().Int(0), Asm().Int(1)}), "bold")).Trace()
             .Add(Member(CallMethod(Tf(), "getTextFormat", {}), "bold")).Trace(),
         "true|null"},
        {"a bound field shows its variable, and writes it",
         Asm().SetVar("shown", Asm().Str("v1")).Add(Member(Asm().GetVar("tf2"), "text")).Trace()
             .Add(SetMember(Asm().GetVar("tf2"), "text", Asm().Str("v2"))).TraceVar("shown"),
         "v1|v2"},
        {"focus and selection",
         CallMethod(Asm().GetVar("Selection"), "setFocus", {Tf()}).Trace()
             .Add(CallMethod(Asm().GetVar("Selection"), "getBeginIndex", {})).Trace()
             .Add(CallMethod(Asm().GetVar("Selection"), "setSelection", {Asm().Int(4), Asm().Int(1)})).Op(0x17)
             .Add(CallMethod(Tf(), "replaceSel", {Asm().Str("XY")})).Op(0x17)
             .Add(Member(Tf(), "text")).Trace()
             .Add(CallMethod(Asm().GetVar("Selection"), "getFocus", {})).Trace(),
         "true|-1|hXYo|_level0.tf"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.label);
        TextHost host;
        EXPECT_EQ(RunText(host, c.code), c.trace);
    }
}

}  // namespace
}  // namespace fh
