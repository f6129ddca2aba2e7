// XML trees: node data, the moves appendChild, insertBefore and removeNode
// make (the childNodes array follows each), cloning, and printing. Deep
// trees are walked with work lists, never by recursion.

#include <algorithm>

#include "avm1/avm1_machine.h"
#include "avm1/avm1_xml.h"

namespace fh::avm1 {

namespace {

XmlNode* NodeData(Object* o) { return o ? o->NativeAs<XmlNode>() : nullptr; }

// Children from `from` on learn their new places.
void Renumber(Machine& m, XmlNode* p, std::size_t from) {
    for (std::size_t i = from; i < p->children.size(); ++i) NodeData(p->children[i])->index = i;
    m.Charge((p->children.size() - std::min(from, p->children.size())) / 16);
}

// The childNodes array made whole again, when a script changed it so that
// it no longer mirrors the children.
void RebuildArray(XmlNode* p) {
    std::vector<Value>& e = p->childArray->Elements();
    e.assign(p->children.begin(), p->children.end());
    p->childArray->ForgetElementOrder();
}

void ArrayInserted(XmlNode* p, std::size_t at) {
    if (!p->childArray) return;
    std::vector<Value>& e = p->childArray->Elements();
    if (e.size() + 1 != p->children.size() || at > e.size()) return RebuildArray(p);
    e.insert(e.begin() + static_cast<std::ptrdiff_t>(at), Value(p->children[at]));
    p->childArray->ForgetElementOrder();
}

void ArrayErased(XmlNode* p, std::size_t at, Object* gone) {
    if (!p->childArray) return;
    std::vector<Value>& e = p->childArray->Elements();
    if (e.size() != p->children.size() + 1 || at >= e.size() || e[at].Obj() != gone) return RebuildArray(p);
    e.erase(e.begin() + static_cast<std::ptrdiff_t>(at));
    p->childArray->ForgetElementOrder();
}

void AppendEscaped(std::string& out, const std::string& text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
}

// An element's attributes as ` name="value"`, in the order for-in lists them (newest first).
void AppendAttributes(Machine& m, std::string& out, Object* attributes) {
    if (!attributes) return;
    std::vector<std::string> names;
    const std::vector<Property>& props = attributes->Properties();
    for (std::size_t i = props.size(); i-- > 0;)
        if (!(props[i].flags & kDontEnum)) names.push_back(props[i].name);
    m.Charge(names.size());
    for (const std::string& name : names) {
        // A value's toString may be a script's, which may change the table: read each afresh.
        Property* p = attributes->FindOwn(name);
        if (!p) continue;
        Value v = p->value;
        out += ' ';
        out += name;
        out += "=\"";
        AppendEscaped(out, m.ToString(v));
        out += '"';
        m.CheckString(out.size());
    }
}

bool Named(const XmlNode* d) { return d->type != kXmlText && d->name.IsString(); }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The character a numeric reference's digits ("#65", "#x41") name, 0 when they name none.
std::uint32_t NumericEntity(const std::string& body) {
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    std::size_t i = hex ? 2 : 1;
    if (i >= body.size()) return 0;
    std::uint32_t code = 0;
    for (; i < body.size(); ++i) {
        const int d = hex ? HexDigit(body[i]) : (body[i] >= '0' && body[i] <= '9' ? body[i] - '0' : -1);
        if (d < 0) return 0;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
        if (code > 0x10FFFF) return 0;
    }
    return code;
}

}  // namespace

void XmlNode::VisitRefs(void (*visit)(Heap&, Object*), Heap& heap) {
    visit(heap, attributes);
    visit(heap, childArray);
    visit(heap, parent);
    for (Object* c : children) visit(heap, c);
}

XmlNode* XmlNodeOf(const Value& v) { return NodeData(v.Obj()); }

void InitXmlNode(Object* o, int type, const Value& text) {
    auto d = std::make_unique<XmlNode>();
    d->type = type == kXmlText ? kXmlText : kXmlElement;
    Value str = text.IsString() ? text : Value::Null();
    (d->type == kXmlText ? d->value : d->name) = std::move(str);
    (d->type == kXmlText ? d->name : d->value) = Value::Null();
    o->SetNative(std::move(d));
}

Object* NewXmlNode(Machine& m, int type, const Value& text) {
    Value ctor = m.Get(Value(m.R().global), "XMLNode");
    Object* proto = m.Get(ctor, "prototype").Obj();
    Object* o = m.NewObject(proto);
    InitXmlNode(o, type, text);
    return o;
}

Object* XmlAttributes(Machine& m, Object* node) {
    XmlNode* d = NodeData(node);
    if (!d) return nullptr;
    if (!d->attributes) d->attributes = m.NewObject();
    return d->attributes;
}

Object* XmlChildArray(Machine& m, Object* node) {
    XmlNode* d = NodeData(node);
    if (!d) return nullptr;
    if (!d->childArray) d->childArray = m.NewArray(std::vector<Value>(d->children.begin(), d->children.end()));
    return d->childArray;
}

bool XmlInsert(Machine& m, Object* parent, Object* child, std::size_t at) {
    XmlNode* p = NodeData(parent);
    XmlNode* c = NodeData(child);
    if (!p || !c) return false;
    std::size_t depth = 0;
    for (Object* a = parent; a; a = NodeData(a)->parent, ++depth)
        if (a == child) return false;
    m.Charge(depth / 16);
    if (c->parent == parent && c->index < at) --at;
    XmlDetach(child);
    at = std::min(at, p->children.size());
    p->children.insert(p->children.begin() + static_cast<std::ptrdiff_t>(at), child);
    c->parent = parent;
    Renumber(m, p, at);
    ArrayInserted(p, at);
    return true;
}

void XmlAppendNew(Object* parent, Object* child) {
    XmlNode* p = NodeData(parent);
    XmlNode* c = NodeData(child);
    c->parent = parent;
    c->index = p->children.size();
    p->children.push_back(child);
    ArrayInserted(p, c->index);
}

void XmlDetach(Object* child) {
    XmlNode* c = NodeData(child);
    if (!c || !c->parent) return;
    XmlNode* p = NodeData(c->parent);
    std::size_t at = c->index;
    if (at >= p->children.size() || p->children[at] != child) {
        at = static_cast<std::size_t>(std::find(p->children.begin(), p->children.end(), child) - p->children.begin());
        if (at == p->children.size()) return;
    }
    p->children.erase(p->children.begin() + static_cast<std::ptrdiff_t>(at));
    for (std::size_t i = at; i < p->children.size(); ++i) NodeData(p->children[i])->index = i;
    ArrayErased(p, at, child);
    c->parent = nullptr;
    c->index = 0;
}

void XmlClearChildren(Object* node) {
    XmlNode* d = NodeData(node);
    if (!d) return;
    for (Object* c : d->children) {
        NodeData(c)->parent = nullptr;
        NodeData(c)->index = 0;
    }
    d->children.clear();
    if (d->childArray) RebuildArray(d);
}

Object* XmlClone(Machine& m, Object* node, bool deep) {
    XmlNode* source = NodeData(node);
    if (!source) return nullptr;
    Object* proto = m.Get(m.Get(Value(m.R().global), "XMLNode"), "prototype").Obj();
    // Each entry is a node to copy and the copy to append it to (none for the top).
    std::vector<std::pair<Object*, Object*>> work{{node, nullptr}};
    Object* top = nullptr;
    while (!work.empty()) {
        auto [from, to] = work.back();
        work.pop_back();
        XmlNode* f = NodeData(from);
        Object* copy = m.NewObject(proto);
        auto d = std::make_unique<XmlNode>();
        d->type = f->type;
        d->name = f->name;
        d->value = f->value;
        if (f->attributes) {
            d->attributes = m.NewObject();
            for (const Property& p : f->attributes->Properties()) d->attributes->Define(p.name, p.value, p.flags);
            m.Charge(f->attributes->Properties().size());
        }
        copy->SetNative(std::move(d));
        m.Charge(1);
        if (to) {
            XmlAppendNew(to, copy);
        } else {
            top = copy;
        }
        if (deep)
            for (std::size_t i = f->children.size(); i-- > 0;) work.emplace_back(f->children[i], copy);
    }
    return top;
}

std::string XmlToString(Machine& m, Object* node) {
    struct Frame {
        Object* node;
        std::size_t next;
        bool opened;
    };
    std::string out;
    if (!NodeData(node)) return out;
    std::vector<Frame> work{{node, 0, false}};
    while (!work.empty()) {
        const std::size_t top = work.size() - 1;
        XmlNode* d = NodeData(work[top].node);
        if (!work[top].opened) {
            m.Charge(1);
            work[top].opened = true;
            if (d->type == kXmlText) {
                if (d->value.IsString()) AppendEscaped(out, d->value.String().Text());
                m.CheckString(out.size());
                work.pop_back();
                continue;
            }
            if (Named(d)) {
                out += '<';
                out += d->name.String().Text();
                AppendAttributes(m, out, d->attributes);
                if (d->children.empty()) {
                    out += " />";
                    m.CheckString(out.size());
                    work.pop_back();
                    continue;
                }
                out += '>';
            }
        }
        if (work[top].next < d->children.size()) {
            Object* child = d->children[work[top].next++];
            work.push_back({child, 0, false});
            continue;
        }
        if (Named(d)) {
            out += "</";
            out += d->name.String().Text();
            out += '>';
        }
        m.CheckString(out.size());
        work.pop_back();
    }
    return out;
}

std::string XmlDecode(const std::string& text) {
    static const struct {
        const char* name;
        char c;
    } kNamed[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    // No reference is longer than "#x10FFFF" between its '&' and ';'.
    constexpr std::size_t kLongest = 8;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        // Looked for only as far as the longest reference: a text of lone '&'s stays linear.
        const std::size_t near = text.substr(i + 1, kLongest + 1).find(';');
        if (near == std::string::npos) {
            out += '&';
            continue;
        }
        const std::size_t semi = i + 1 + near;
        const std::string body = text.substr(i + 1, semi - i - 1);
        std::string decoded;
        if (!body.empty() && body[0] == '#') {
            if (std::uint32_t code = NumericEntity(body)) decoded = Utf8Encode(code);
        } else {
            for (const auto& e : kNamed)
                if (body == e.name) decoded = std::string(1, e.c);
        }
        if (decoded.empty()) {
            out += '&';
            continue;
        }
        out += decoded;
        i = semi;
    }
    return out;
}

}  // namespace fh::avm1
