// Titles from movie metadata through the system's XML parser.

#include "player/metadata_title.h"

#include <gtest/gtest.h>

namespace fh {
namespace {

std::string Described(const std::string& inside) {
    return "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
           "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/'>" +
           inside + "</rdf:Description></rdf:RDF>";
}

TEST(MetadataTitle, TheFirstDublinCoreTitleAsTheXmlSaysIt) {
    const struct {
        const char* label;
        std::string xml;
        const char* title;
    } cases[] = {
        {"plain", Described("<dc:title>Plain</dc:title>"), "Plain"},
        {"alternatives", Described("<dc:title><rdf:Alt><rdf:li xml:lang='x-default'> Cats &amp; Dogs </rdf:li>"
                                   "</rdf:Alt></dc:title><dc:title>Second</dc:title>"),
         "Cats & Dogs"},
        {"greater-than signs", Described("<dc:title>a > b &gt; c</dc:title>"), "a > b > c"},
        {"character references", Described("<dc:title>&#xD55C;&#65;</dc:title>"), "\xC7\xD1" "A"},
        {"CDATA", Described("<dc:title><![CDATA[<b>bold</b> & more]]></dc:title>"), "<b>bold</b> & more"},
        {"UTF-8 text", Described("<dc:title>\xED\x95\x9C\xEA\xB8\x80</dc:title>"), "\xC7\xD1\xB1\xDB"},
        {"outside the code page", Described("<dc:title>&#x263A;</dc:title>"), "?"},
        {"other namespace", "<x:title xmlns:x='urn:x'>no</x:title>", ""},
        {"empty title", Described("<dc:title/>"), ""},
        {"no title", Described("<dc:creator>x</dc:creator>"), ""},
        {"no XML", "not xml at all", ""},
        {"a document type", "<!DOCTYPE t [<!ENTITY e 'boom'>]><t xmlns:dc='http://purl.org/dc/elements/1.1/'>"
                            "<dc:title>&e;</dc:title></t>",
         ""},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.title, MetadataTitle(c.xml));
    }
}

}  // namespace
}  // namespace fh
