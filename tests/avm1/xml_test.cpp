#include <gtest/gtest.h>

#include <string>

#include "avm1/avm1_xml.h"
#include "avm1_builtins_fixture.h"

namespace fh::avm1 {
namespace {

using test::BuiltinsHost;
using test::CallMethod;
using Args = std::vector<Value>;

// Runs a native as a script's call would, so that caps cut it as in a run.
Value RunNative(Machine& m, NativeFn fn, const Value& self, const Args& args = {}) {
    return m.CallFunction(Value(NewNative(m, fn)), self, args);
}

// A dotted chain of members ("firstChild.nextSibling"), read inside a run.
Value Path(Machine& m, Value v, const std::string& path) {
    std::size_t begin = 0;
    while (begin <= path.size()) {
        std::size_t end = path.find('.', begin);
        if (end == std::string::npos) end = path.size();
        v = m.Get(v, path.substr(begin, end - begin));
        begin = end + 1;
    }
    return v;
}

Value Read(Machine& m, const Value& v, const std::string& path) {
    return RunNative(m, [](Machine& m, const Value& self, const Args& a) { return Path(m, self, m.ToString(a[0])); }, v,
               {Value(path)});
}

Value NewXml(Machine& m, const Args& args) {
    return RunNative(m, [](Machine& m, const Value&, const Args& a) {
        return m.Construct(m.Get(Value(m.R().global), "XML"), a);
    }, Value(), args);
}

std::string Printed(Machine& m, const Value& v) { return m.ToString(CallMethod(m, v, "toString", {})); }

TEST(Avm1Xml, ParseAndPrint) {
    struct Case {
        const char* label;
        const char* source;
        bool ignoreWhite;
        const char* printed;
        int status;
    };
    const Case cases[] = {
        {"an empty element", "<a/>", false, "<a />", kXmlOk},
        {"attributes in either quote, in order", "<a x='1' y=\"2\" >t</a>", false, "<a x=\"1\" y=\"2\">t</a>", kXmlOk},
        {"entities decoded, then escaped again", "<a t=\"&lt;&amp;\">x &gt; &apos;&#65;&#x42;</a>", false,
         "<a t=\"&lt;&amp;\">x &gt; &apos;AB</a>", kXmlOk},
        {"an unknown entity is text", "<a>&nbsp;&#xZZ;</a>", false, "<a>&amp;nbsp;&amp;#xZZ;</a>", kXmlOk},
        {"CDATA is text", "<a><![CDATA[<b> & ]]></a>", false, "<a>&lt;b&gt; &amp; </a>", kXmlOk},
        {"comments are dropped", "<a><!-- c -->t</a>", false, "<a>t</a>", kXmlOk},
        {"declarations print first", "<?xml version=\"1.0\"?><!DOCTYPE a [<!ELEMENT a ANY>]><a/>", false,
         "<?xml version=\"1.0\"?><!DOCTYPE a [<!ELEMENT a ANY>]><a />", kXmlOk},
        {"white space kept", "<a> <b/>\n</a>", false, "<a> <b />\n</a>", kXmlOk},
        {"white space ignored", "<a> <b/>\n<c> x </c></a>", true, "<a><b /><c> x </c></a>", kXmlOk},
        {"text at the top", "t<a/>u", false, "t<a />u", kXmlOk},
        {"an element left open", "<a><b/>", false, "<a><b /></a>", kXmlUnclosed},
        {"an end tag of another element", "<a><b></a>", false, "<a><b /></a>", kXmlUnmatchedEnd},
        {"an end tag with none open", "</a>", false, "", kXmlUnmatchedEnd},
        {"an attribute left open", "<a><b x=\"1></b></a>", false, "<a />", kXmlAttributeOpen},
        {"an attribute without a value", "<a x>", false, "", kXmlMalformed},
        {"a tag without a name", "< a/>", false, "", kXmlMalformed},
        {"a tag cut short", "<a", false, "", kXmlMalformed},
        {"a comment left open", "<a/><!-- x", false, "<a />", kXmlCommentOpen},
        {"CDATA left open", "<![CDATA[x", false, "", kXmlCdataOpen},
        {"a declaration left open", "<?xml ", false, "", kXmlDeclOpen},
        {"a DOCTYPE left open", "<!DOCTYPE a", false, "", kXmlDoctypeOpen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        const Value doc = NewXml(m, {});
        m.Set(doc, "ignoreWhite", Value(c.ignoreWhite));
        CallMethod(m, doc, "parseXML", {Value(c.source)});
        EXPECT_EQ(Printed(m, doc), c.printed);
        EXPECT_EQ(m.ToNumber(Read(m, doc, "status")), c.status);
    }
}

TEST(Avm1Xml, TreeSurgery) {
    struct Case {
        const char* label;
        const char* source;
        NativeFn op;  // called on the document
        const char* printed;
    };
    const Case cases[] = {
        {"appendChild moves a node within its tree", "<a><b/></a><c/>",
         [](Machine& m, const Value& doc, const Args&) {
             return m.CallMethod(doc, "appendChild", {Path(m, doc, "firstChild.firstChild")});
         },
         "<a /><c /><b />"},
        {"insertBefore takes a node from another tree", "<a/>",
         [](Machine& m, const Value& doc, const Args&) {
             const Value other = m.Construct(m.Get(Value(m.R().global), "XML"), {Value("<x><y/></x>")});
             m.CallMethod(doc, "insertBefore", {Path(m, other, "firstChild.firstChild"), Path(m, doc, "firstChild")});
             return m.CallMethod(doc, "appendChild", {other});
         },
         "<y /><a /><x />"},
        {"insertBefore an earlier sibling's place", "<a/><b/><c/>",
         [](Machine& m, const Value& doc, const Args&) {
             return m.CallMethod(doc, "insertBefore", {Path(m, doc, "firstChild"), Path(m, doc, "lastChild")});
         },
         "<b /><a /><c />"},
        {"insertBefore a node of another parent is ignored", "<a><b/></a><c/>",
         [](Machine& m, const Value& doc, const Args&) {
             const Value grandchild = Path(m, doc, "firstChild.firstChild");
             return m.CallMethod(doc, "insertBefore", {Path(m, doc, "lastChild"), grandchild});
         },
         "<a><b /></a><c />"},
        {"an ancestor appended to its descendant is refused", "<a><b/></a>",
         [](Machine& m, const Value& doc, const Args&) {
             return m.CallMethod(Path(m, doc, "firstChild.firstChild"), "appendChild", {Path(m, doc, "firstChild")});
         },
         "<a><b /></a>"},
        {"a node appended to itself is refused", "<a/>",
         [](Machine& m, const Value& doc, const Args&) {
             const Value a = Path(m, doc, "firstChild");
             return m.CallMethod(a, "appendChild", {a});
         },
         "<a />"},
        {"removeNode", "<a/><b/><c/>",
         [](Machine& m, const Value& doc, const Args&) {
             return m.CallMethod(Path(m, doc, "firstChild.nextSibling"), "removeNode", {});
         },
         "<a /><c />"},
        {"a deep clone copies attributes and children", "<a x=\"1\"><b>t</b></a>",
         [](Machine& m, const Value& doc, const Args&) {
             return m.CallMethod(doc, "appendChild", {m.CallMethod(Path(m, doc, "firstChild"), "cloneNode", {true})});
         },
         "<a x=\"1\"><b>t</b></a><a x=\"1\"><b>t</b></a>"},
        {"a shallow clone copies the node alone", "<a x=\"1\"><b/></a>",
         [](Machine& m, const Value& doc, const Args&) {
             const Value copy = m.CallMethod(Path(m, doc, "firstChild"), "cloneNode", {false});
             m.Set(Path(m, copy, "attributes"), "x", Value(2));
             return m.CallMethod(doc, "appendChild", {copy});
         },
         "<a x=\"1\"><b /></a><a x=\"2\" />"},
        {"created nodes", "",
         [](Machine& m, const Value& doc, const Args&) {
             const Value p = m.CallMethod(doc, "createElement", {Value("p")});
             m.CallMethod(p, "appendChild", {m.CallMethod(doc, "createTextNode", {Value("a<\"b\"")})});
             return m.CallMethod(doc, "appendChild", {p});
         },
         "<p>a&lt;&quot;b&quot;</p>"},
        {"names, values and attributes set by script", "<a x=\"1\">t</a>",
         [](Machine& m, const Value& doc, const Args&) {
             m.Set(Path(m, doc, "firstChild"), "nodeName", Value("b"));
             m.Set(Path(m, doc, "firstChild.firstChild"), "nodeValue", Value("u&v"));
             m.Set(Path(m, doc, "firstChild.attributes"), "y", Value(2));
             return Value();
         },
         "<b y=\"2\" x=\"1\">u&amp;v</b>"},
        {"the declaration a script sets", "<a/>",
         [](Machine& m, const Value& doc, const Args&) {
             m.Set(doc, "xmlDecl", Value("<?xml?>"));
             return Value();
         },
         "<?xml?><a />"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        const Value doc = NewXml(m, {Value(c.source)});
        RunNative(m, c.op, doc);
        EXPECT_EQ(Printed(m, doc), c.printed);
    }
}

TEST(Avm1Xml, LinksFollowTheTree) {
    BuiltinsHost host;
    Machine m(host, 8);
    const Value doc = NewXml(m, {Value("<a/><b/><c/>")});
    const Value a = Read(m, doc, "firstChild"), b = Read(m, a, "nextSibling"), c = Read(m, doc, "lastChild");
    const Value children = Read(m, doc, "childNodes");
    CallMethod(m, b, "removeNode", {});
    struct Case {
        const char* label;
        Value actual, expected;
    };
    const Case cases[] = {
        {"the same childNodes array", Read(m, doc, "childNodes"), children},
        {"childNodes shrank", Read(m, children, "length"), Value(2)},
        {"childNodes in order", Read(m, children, "1"), c},
        {"siblings closed up", Read(m, a, "nextSibling"), c},
        {"back links too", Read(m, c, "previousSibling"), a},
        {"the removed node has no parent", Read(m, b, "parentNode"), Value::Null()},
        {"nor siblings", Read(m, b, "nextSibling"), Value::Null()},
        {"the parent", Read(m, c, "parentNode"), doc},
        {"a text node's name", Read(m, NewXml(m, {Value("t")}), "firstChild.nodeName"), Value::Null()},
        {"a text node's type", Read(m, NewXml(m, {Value("t")}), "firstChild.nodeType"), Value(kXmlText)},
        {"a document's name", Read(m, doc, "nodeName"), Value::Null()},
        {"a prefix", Read(m, NewXml(m, {Value("<p:a xmlns:p=\"u\"/>")}), "firstChild.prefix"), Value("p")},
        {"a local name", Read(m, NewXml(m, {Value("<p:a/>")}), "firstChild.localName"), Value("a")},
        {"a namespace from above", Read(m, NewXml(m, {Value("<r xmlns:p=\"u\"><p:a/></r>")}),
                                        "firstChild.firstChild.namespaceURI"),
         Value("u")},
        {"no namespace declared", Read(m, NewXml(m, {Value("<p:a/>")}), "firstChild.namespaceURI"), Value::Null()},
        {"node members live on the prototype", Value(static_cast<double>(a.Obj()->Properties().size())), Value(0)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.label);
        EXPECT_TRUE(StrictEquals(k.actual, k.expected)) << m.ToString(k.actual);
    }
    // Parsing again lets the old children go.
    CallMethod(m, doc, "parseXML", {Value("<d/>")});
    EXPECT_TRUE(Read(m, a, "parentNode").IsNull());
    EXPECT_EQ(m.ToString(Read(m, children, "0.nodeName")), "d");
}

TEST(Avm1Xml, HostileInputStaysBounded) {
    auto repeat = [](const std::string& s, std::size_t n) {
        std::string out;
        for (std::size_t i = 0; i < n; ++i) out += s;
        return out;
    };
    const std::size_t deep = kXmlMaxDepth - 1;
    std::string attributes = "<a";
    for (std::size_t i = 0; i <= kXmlMaxAttributes; ++i) attributes += " a" + std::to_string(i) + "=''";
    attributes += "/>";
    struct Case {
        const char* label;
        std::string source;
        int status;
        std::string printed;  // empty: not compared
    };
    const Case cases[] = {
        {"nesting within the cap", repeat("<a>", deep) + repeat("</a>", deep), kXmlOk,
         repeat("<a>", deep - 1) + "<a />" + repeat("</a>", deep - 1)},
        {"nesting past the cap", repeat("<a>", kXmlMaxDepth + 100), kXmlTooLarge, ""},
        {"attributes past the cap", attributes, kXmlTooLarge, ""},
        {"a flood of end tags", repeat("</a>", 10000), kXmlUnmatchedEnd, ""},
        {"entities without an end", repeat("&#1234567890", 1000), kXmlOk, repeat("&amp;#1234567890", 1000)},
        {"a flood of ampersands", std::string(1 << 18, '&'), kXmlOk, repeat("&amp;", 1 << 18)},
        {"a flood of declarations", repeat("<!a>", 1 << 16), kXmlOk, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        const Value doc = NewXml(m, {Value(c.source)});
        EXPECT_EQ(m.ToNumber(Read(m, doc, "status")), c.status);
        const std::string printed = Printed(m, doc);
        if (!c.printed.empty()) {
            EXPECT_EQ(printed, c.printed);
        }
        // A deep copy prints as the original's tree (a copy is no document): neither walk recurses.
        const Value copy = CallMethod(m, doc, "cloneNode", {true});
        const Value tree = RunNative(m, [](Machine& m, const Value& self, const Args&) {
            return Value(XmlToString(m, self.Obj()));
        }, doc);
        EXPECT_EQ(Printed(m, copy), m.ToString(tree));
        EXPECT_EQ(m.CutScripts(), 0u);
    }
    // Every prefix of a document parses to some status without harm.
    const std::string sample = "<?xml v?><!DOCTYPE d><r a='1' b=\"&amp;\"><![CDATA[c]]><!-- x --><e/>t</r>";
    BuiltinsHost host;
    Machine m(host, 8);
    for (std::size_t n = 0; n <= sample.size(); ++n) {
        const Value doc = NewXml(m, {Value(sample.substr(0, n))});
        EXPECT_LE(m.ToNumber(Read(m, doc, "status")), 0) << n;
        m.Collect();
    }
    EXPECT_EQ(m.ToNumber(Read(m, NewXml(m, {Value(sample)}), "status")), kXmlOk);
}

TEST(Avm1Xml, ObjectCapCutsTheParse) {
    BuiltinsHost host;
    Limits limits;
    limits.maxObjects = 3000;
    Machine m(host, 8, limits);
    const std::uint32_t before = m.CutScripts();
    EXPECT_TRUE(NewXml(m, {Value([] {
                    std::string s;
                    for (int i = 0; i < 5000; ++i) s += "<a/>";
                    return s;
                }())})
                    .IsUndefined());
    EXPECT_EQ(m.CutScripts(), before + 1);
    m.Collect();
    EXPECT_LT(m.LiveObjects(), limits.maxObjects);
}

TEST(Avm1LoadVars, DecodeAndEncode) {
    struct Case {
        const char* label;
        const char* input;
        const char* printed;
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {"pairs, newest first", "a=1&b=2", "b=2&a=1", "a", "1"},
        {"plus and percent", "x=a+b%21%zz", "x=a%20b%21%25zz", "x", "a b!%zz"},
        {"a name without a value", "k&=v&&", "k=", "k", ""},
        {"an encoded name", "a%20b=%C3%A9", "a%20b=%C3%A9", "a b", u8"\u00e9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        BuiltinsHost host;
        Machine m(host, 8);
        const Value vars = RunNative(m, [](Machine& m, const Value&, const Args&) {
            return m.Construct(m.Get(Value(m.R().global), "LoadVars"), {});
        }, Value());
        CallMethod(m, vars, "decode", {Value(c.input)});
        EXPECT_EQ(Printed(m, vars), c.printed);
        EXPECT_EQ(m.ToString(Read(m, vars, c.name)), c.value);
        EXPECT_TRUE(StrictEquals(CallMethod(m, vars, "load", {Value("u")}), Value(false)));
        EXPECT_TRUE(StrictEquals(Read(m, vars, "loaded"), Value(false)));
    }
}

}  // namespace
}  // namespace fh::avm1
