// The players' lenient XML reader: elements and attributes (either quote),
// text with entities decoded, CDATA as text, comments dropped, the
// declaration and DOCTYPE kept as text on the document. It reads in one
// pass with a stack of open elements; the first error ends the parse with
// its status, and what was built before stays.

#include <cstring>

#include "avm1/avm1_machine.h"
#include "avm1/avm1_xml.h"

namespace fh::avm1 {

namespace {

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool AllSpace(const std::string& text, std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i)
        if (!IsXmlSpace(text[i])) return false;
    return true;
}

bool At(const std::string& text, std::size_t i, const char* what) {
    return text.compare(i, std::strlen(what), what) == 0;
}

class Parser {
public:
    Parser(Machine& m, Object* doc, const std::string& text, bool ignoreWhite)
        : m(m), doc(doc), text(text), ignoreWhite(ignoreWhite), open{doc} {
        proto = m.Get(m.Get(Value(m.R().global), "XMLNode"), "prototype").Obj();
    }

    int Run() {
        m.Charge(text.size() / 64);
        while (i < text.size()) {
            const int status = text[i] == '<' ? Markup() : Text();
            if (status != kXmlOk) return status;
        }
        return open.size() > 1 ? kXmlUnclosed : kXmlOk;
    }

private:
    Object* NewNode(int type, std::string s) {
        Object* o = m.NewObject(proto);
        m.CheckString(s.size());
        InitXmlNode(o, type, Value(std::move(s)));
        m.Charge(1);
        return o;
    }

    int Text() {
        std::size_t end = text.find('<', i);
        if (end == std::string::npos) end = text.size();
        if (!(ignoreWhite && AllSpace(text, i, end)))
            XmlAppendNew(open.back(), NewNode(kXmlText, XmlDecode(text.substr(i, end - i))));
        i = end;
        return kXmlOk;
    }

    // The text from i to the end of `close`, or none (npos) when it never closes.
    std::size_t Through(std::size_t from, const char* close) {
        const std::size_t at = text.find(close, from);
        return at == std::string::npos ? at : at + std::strlen(close);
    }

    int Markup() {
        if (At(text, i, "<!--")) {
            const std::size_t end = Through(i + 4, "-->");
            if (end == std::string::npos) return kXmlCommentOpen;
            i = end;
            return kXmlOk;
        }
        if (At(text, i, "<![CDATA[")) {
            const std::size_t end = Through(i + 9, "]]>");
            if (end == std::string::npos) return kXmlCdataOpen;
            XmlAppendNew(open.back(), NewNode(kXmlText, text.substr(i + 9, end - 3 - (i + 9))));
            i = end;
            return kXmlOk;
        }
        if (At(text, i, "<?")) {
            const std::size_t end = Through(i + 2, "?>");
            if (end == std::string::npos) return kXmlDeclOpen;
            m.Set(Value(doc), "xmlDecl", Value(text.substr(i, end - i)));
            i = end;
            return kXmlOk;
        }
        if (At(text, i, "<!")) return Doctype();
        if (At(text, i, "</")) return EndTag();
        return StartTag();
    }

    // An internal subset in brackets may hold '>' of its own.
    int Doctype() {
        std::size_t end = text.find('>', i + 2);
        const std::size_t bracket = text.substr(i + 2, end == std::string::npos ? end : end - (i + 2)).find('[');
        if (bracket != std::string::npos) {
            const std::size_t close = text.find(']', i + 2 + bracket);
            end = close == std::string::npos ? close : text.find('>', close);
        }
        if (end == std::string::npos) return kXmlDoctypeOpen;
        m.Set(Value(doc), "docTypeDecl", Value(text.substr(i, end + 1 - i)));
        i = end + 1;
        return kXmlOk;
    }

    int EndTag() {
        const std::size_t end = text.find('>', i + 2);
        if (end == std::string::npos) return kXmlMalformed;
        std::size_t last = end;
        while (last > i + 2 && IsXmlSpace(text[last - 1])) --last;
        const std::string name = text.substr(i + 2, last - (i + 2));
        if (open.size() < 2) return kXmlUnmatchedEnd;
        const XmlNode* current = open.back()->NativeAs<XmlNode>();
        if (!current->name.IsString() || current->name.String().Text() != name) return kXmlUnmatchedEnd;
        open.pop_back();
        i = end + 1;
        return kXmlOk;
    }

    std::size_t NameEnd(std::size_t j, bool attribute) const {
        while (j < text.size() && !IsXmlSpace(text[j]) && text[j] != '>' && text[j] != '/' &&
               !(attribute && text[j] == '='))
            ++j;
        return j;
    }

    void SkipSpace(std::size_t& j) const {
        while (j < text.size() && IsXmlSpace(text[j])) ++j;
    }

    int StartTag() {
        std::size_t j = NameEnd(i + 1, false);
        if (j == i + 1) return kXmlMalformed;
        std::string name = text.substr(i + 1, j - (i + 1));
        std::vector<std::pair<std::string, std::string>> attributes;
        bool empty = false;
        for (;;) {
            SkipSpace(j);
            if (j >= text.size()) return kXmlMalformed;
            if (text[j] == '>') {
                ++j;
                break;
            }
            if (text[j] == '/') {
                if (j + 1 >= text.size() || text[j + 1] != '>') return kXmlMalformed;
                j += 2;
                empty = true;
                break;
            }
            const std::size_t nameEnd = NameEnd(j, true);
            if (nameEnd == j) return kXmlMalformed;
            std::string attribute = text.substr(j, nameEnd - j);
            j = nameEnd;
            SkipSpace(j);
            if (j >= text.size() || text[j] != '=') return kXmlMalformed;
            ++j;
            SkipSpace(j);
            if (j >= text.size() || (text[j] != '"' && text[j] != '\'')) return kXmlMalformed;
            const std::size_t close = text.find(text[j], j + 1);
            if (close == std::string::npos) return kXmlAttributeOpen;
            if (attributes.size() >= kXmlMaxAttributes) return kXmlTooLarge;
            attributes.emplace_back(std::move(attribute), XmlDecode(text.substr(j + 1, close - j - 1)));
            j = close + 1;
        }
        if (!empty && open.size() > kXmlMaxDepth) return kXmlTooLarge;
        Object* node = NewNode(kXmlElement, std::move(name));
        if (!attributes.empty()) {
            // Defined last first, so that for-in (newest first) lists them as written.
            Object* table = XmlAttributes(m, node);
            for (std::size_t k = attributes.size(); k-- > 0;)
                table->Define(attributes[k].first, Value(attributes[k].second), 0);
            m.Charge(attributes.size());
        }
        XmlAppendNew(open.back(), node);
        if (!empty) open.push_back(node);
        i = j;
        return kXmlOk;
    }

    Machine& m;
    Object* doc;
    const std::string& text;
    bool ignoreWhite;
    Object* proto = nullptr;
    std::vector<Object*> open;  // the document, then the elements still open
    std::size_t i = 0;
};

}  // namespace

int XmlParse(Machine& m, Object* doc, const std::string& text, bool ignoreWhite) {
    if (!doc->NativeAs<XmlNode>()) return kXmlOk;
    XmlClearChildren(doc);
    return Parser(m, doc, text, ignoreWhite).Run();
}

}  // namespace fh::avm1
