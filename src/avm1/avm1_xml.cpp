// XMLNode and XML: the node properties as getters on XMLNode.prototype (as
// the players define them, so that a node's own table stays empty), the
// tree methods, and the XML document's parser, factories and the loading
// methods, which fetch nothing here: no onLoad ever reports a success.

#include <limits>

#include "avm1/avm1_machine.h"
#include "avm1/avm1_xml.h"

namespace fh::avm1 {

namespace {

constexpr std::size_t kAtEnd = std::numeric_limits<std::size_t>::max();

Value OrNull(Object* o) { return o ? Value(o) : Value::Null(); }

// What a name or value set by script becomes: null stays null, the rest text.
Value TextOrNull(Machine& m, const Value& v) { return v.IsNullish() ? Value::Null() : Value(m.ToStr(v)); }

// The sibling `step` places from a node, or null.
Value Sibling(const Value& self, int step) {
    XmlNode* d = XmlNodeOf(self);
    if (!d || !d->parent) return Value::Null();
    const std::vector<Object*>& siblings = d->parent->NativeAs<XmlNode>()->children;
    const std::size_t at = d->index + static_cast<std::size_t>(step);
    return at < siblings.size() ? Value(siblings[at]) : Value::Null();
}

// Node construction, by `new XMLNode(type, value)` or a subclass's super():
// only an object that is not a node yet becomes one.
Value NodeConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (o && o->Kind() == ObjKind::Plain && !o->Native())
        InitXmlNode(o, ToInt32(m.ToNumber(Arg(args, 0))), TextOrNull(m, Arg(args, 1)));
    return Value();
}

Value GetNodeType(Machine&, const Value& self, const std::vector<Value>&) {
    XmlNode* d = XmlNodeOf(self);
    return d ? Value(d->type) : Value();
}

Value GetNodeName(Machine&, const Value& self, const std::vector<Value>&) {
    XmlNode* d = XmlNodeOf(self);
    return d ? d->name : Value();
}

Value SetNodeName(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (XmlNode* d = XmlNodeOf(self)) d->name = TextOrNull(m, Arg(args, 0));
    return Value();
}

Value GetNodeValue(Machine&, const Value& self, const std::vector<Value>&) {
    XmlNode* d = XmlNodeOf(self);
    return d ? d->value : Value();
}

Value SetNodeValue(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (XmlNode* d = XmlNodeOf(self)) d->value = TextOrNull(m, Arg(args, 0));
    return Value();
}

Value GetAttributes(Machine& m, const Value& self, const std::vector<Value>&) {
    Object* a = XmlAttributes(m, self.Obj());
    return a ? Value(a) : Value();
}

Value SetAttributes(Machine&, const Value& self, const std::vector<Value>& args) {
    XmlNode* d = XmlNodeOf(self);
    if (d && Arg(args, 0).IsObject()) d->attributes = Arg(args, 0).Obj();
    return Value();
}

Value GetChildNodes(Machine& m, const Value& self, const std::vector<Value>&) {
    Object* a = XmlChildArray(m, self.Obj());
    return a ? Value(a) : Value();
}

Value GetParentNode(Machine&, const Value& self, const std::vector<Value>&) {
    XmlNode* d = XmlNodeOf(self);
    return d ? OrNull(d->parent) : Value();
}

Value GetFirstChild(Machine&, const Value& self, const std::vector<Value>&) {
    XmlNode* d = XmlNodeOf(self);
    return d ? OrNull(d->children.empty() ? nullptr : d->children.front()) : Value();
}

Value GetLastChild(Machine&, const Value& self, const std::vector<Value>&) {
    XmlNode* d = XmlNodeOf(self);
    return d ? OrNull(d->children.empty() ? nullptr : d->children.back()) : Value();
}

Value GetPreviousSibling(Machine&, const Value& self, const std::vector<Value>&) {
    return XmlNodeOf(self) ? Sibling(self, -1) : Value();
}

Value GetNextSibling(Machine&, const Value& self, const std::vector<Value>&) {
    return XmlNodeOf(self) ? Sibling(self, 1) : Value();
}

// An element's name split at its first colon: the prefix ("" without one) and the local name.
bool SplitName(const Value& self, std::string& prefix, std::string& local) {
    XmlNode* d = XmlNodeOf(self);
    if (!d || d->type != kXmlElement || !d->name.IsString()) return false;
    const std::string& name = d->name.String().Text();
    const std::size_t colon = name.find(':');
    prefix = colon == std::string::npos ? std::string() : name.substr(0, colon);
    local = colon == std::string::npos ? name : name.substr(colon + 1);
    return true;
}

// Calls `match` on each xmlns attribute from the node up to its root until it answers true.
template <class Match>
bool FindXmlns(Machine& m, Object* node, Match match) {
    std::size_t steps = 0;
    for (XmlNode* d = node->NativeAs<XmlNode>(); d; d = d->parent ? d->parent->NativeAs<XmlNode>() : nullptr) {
        ++steps;
        if (!d->attributes) continue;
        steps += d->attributes->Properties().size();
        for (const Property& p : d->attributes->Properties()) {
            if (p.name.compare(0, 5, "xmlns") != 0 || (p.name.size() > 5 && p.name[5] != ':')) continue;
            if (match(p.name.size() > 5 ? p.name.substr(6) : std::string(), p.value)) {
                m.Charge(steps / 16);
                return true;
            }
        }
    }
    m.Charge(steps / 16);
    return false;
}

Value NamespaceFor(Machine& m, Object* node, const std::string& prefix) {
    Value found = Value::Null();
    FindXmlns(m, node, [&](const std::string& p, const Value& uri) {
        if (p != prefix) return false;
        found = uri;
        return true;
    });
    return found.IsNull() ? found : Value(m.ToStr(found));
}

Value GetPrefix(Machine&, const Value& self, const std::vector<Value>&) {
    std::string prefix, local;
    return SplitName(self, prefix, local) ? Value(prefix) : Value::Null();
}

Value GetLocalName(Machine&, const Value& self, const std::vector<Value>&) {
    std::string prefix, local;
    return SplitName(self, prefix, local) ? Value(local) : Value::Null();
}

Value GetNamespaceUri(Machine& m, const Value& self, const std::vector<Value>&) {
    std::string prefix, local;
    return SplitName(self, prefix, local) ? NamespaceFor(m, self.Obj(), prefix) : Value::Null();
}

Value GetNamespaceForPrefix(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (!XmlNodeOf(self)) return Value();
    return NamespaceFor(m, self.Obj(), m.ToString(Arg(args, 0)));
}

Value GetPrefixForNamespace(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (!XmlNodeOf(self)) return Value();
    const std::string uri = m.ToString(Arg(args, 0));
    Value found = Value::Null();
    FindXmlns(m, self.Obj(), [&](const std::string& prefix, const Value& v) {
        if (!v.IsString() || v.String().Text() != uri) return false;
        found = Value(prefix);
        return true;
    });
    return found;
}

Value AppendChild(Machine& m, const Value& self, const std::vector<Value>& args) {
    XmlInsert(m, self.Obj(), Arg(args, 0).Obj(), kAtEnd);
    return Value();
}

// Only before one of this node's own children; a node before itself stays.
Value InsertBefore(Machine& m, const Value& self, const std::vector<Value>& args) {
    XmlNode* before = XmlNodeOf(Arg(args, 1));
    Object* node = Arg(args, 0).Obj();
    if (!XmlNodeOf(self) || !before || before->parent != self.Obj() || node == Arg(args, 1).Obj()) return Value();
    XmlInsert(m, self.Obj(), node, before->index);
    return Value();
}

Value RemoveNode(Machine&, const Value& self, const std::vector<Value>&) {
    XmlDetach(self.Obj());
    return Value();
}

Value CloneNode(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (!XmlNodeOf(self)) return Value();
    return Value(XmlClone(m, self.Obj(), ToBoolean(Arg(args, 0), m.Version())));
}

Value HasChildNodes(Machine&, const Value& self, const std::vector<Value>&) {
    XmlNode* d = XmlNodeOf(self);
    return d ? Value(!d->children.empty()) : Value();
}

// A document prints its declarations first, as it read them or a script set them.
Value NodeToString(Machine& m, const Value& self, const std::vector<Value>&) {
    XmlNode* d = XmlNodeOf(self);
    if (!d) return Value("");
    std::string out;
    if (d->document) {
        for (const char* decl : {"xmlDecl", "docTypeDecl"}) {
            const Value v = m.Get(self, decl);
            if (!v.IsNullish()) out += m.ToString(v);
        }
    }
    out += XmlToString(m, self.Obj());
    m.CheckString(out.size());
    return Value(std::move(out));
}

void MakeDocument(Object* o) {
    InitXmlNode(o, kXmlElement, Value::Null());
    o->NativeAs<XmlNode>()->document = true;
}

Value ParseXml(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (!XmlNodeOf(self)) return Value();
    const std::string text = m.ToString(Arg(args, 0));
    const bool ignoreWhite = ToBoolean(m.Get(self, "ignoreWhite"), m.Version());
    const int status = XmlParse(m, o, text, ignoreWhite);
    m.Set(self, "status", Value(status));
    return Value();
}

// `new XML(text)` or a subclass's super(text): a document, parsed from the text if one is given.
Value XmlConstruct(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* o = self.Obj();
    if (!o || o->Kind() != ObjKind::Plain || o->Native()) return Value();
    MakeDocument(o);
    if (!Arg(args, 0).IsNullish()) ParseXml(m, self, args);
    return Value();
}

Value CreateElement(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(NewXmlNode(m, kXmlElement, TextOrNull(m, Arg(args, 0))));
}

Value CreateTextNode(Machine& m, const Value&, const std::vector<Value>& args) {
    return Value(NewXmlNode(m, kXmlText, TextOrNull(m, Arg(args, 0))));
}

// Nothing is fetched: a load starts nothing, so it reports false and the object stays unloaded.
Value Load(Machine& m, const Value& self, const std::vector<Value>&) {
    if (self.IsObject()) m.Set(self, "loaded", Value(false));
    return Value(false);
}

Value SendAndLoad(Machine& m, const Value&, const std::vector<Value>& args) {
    if (Arg(args, 1).IsObject()) m.Set(Arg(args, 1), "loaded", Value(false));
    return Value(false);
}

Value Send(Machine&, const Value&, const std::vector<Value>&) { return Value(false); }

Value NoBytes(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

Value Ignore(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

// The default onData: text arrived (a script may call it with some) is
// parsed and reported loaded; none reports a failure.
Value XmlOnData(Machine& m, const Value& self, const std::vector<Value>& args) {
    if (Arg(args, 0).IsUndefined()) {
        m.CallMethod(self, "onLoad", {Value(false)});
        return Value();
    }
    m.CallMethod(self, "parseXML", {Arg(args, 0)});
    m.Set(self, "loaded", Value(true));
    m.CallMethod(self, "onLoad", {Value(true)});
    return Value();
}

void DefineGetter(Machine& m, Object* on, const char* name, NativeFn get, NativeFn set = nullptr) {
    on->Define(name, Value(), kDontEnum);
    Property* p = on->FindAny(name);
    p->getter = NewNative(m, get);
    p->setter = set ? NewNative(m, set) : nullptr;
}

}  // namespace

void InstallXmlLoading(Machine& m, Object* proto) {
    DefineMethod(m, proto, "load", Load);
    DefineMethod(m, proto, "send", Send);
    DefineMethod(m, proto, "sendAndLoad", SendAndLoad);
    DefineMethod(m, proto, "getBytesLoaded", NoBytes);
    DefineMethod(m, proto, "getBytesTotal", NoBytes);
    DefineMethod(m, proto, "addRequestHeader", Ignore);
    proto->Define("contentType", Value("application/x-www-form-urlencoded"), kDontEnum);
}

void InstallXml(Machine& m) {
    Object* node = m.NewObject();
    DefineGetter(m, node, "nodeType", GetNodeType);
    DefineGetter(m, node, "nodeName", GetNodeName, SetNodeName);
    DefineGetter(m, node, "nodeValue", GetNodeValue, SetNodeValue);
    DefineGetter(m, node, "attributes", GetAttributes, SetAttributes);
    DefineGetter(m, node, "childNodes", GetChildNodes);
    DefineGetter(m, node, "parentNode", GetParentNode);
    DefineGetter(m, node, "firstChild", GetFirstChild);
    DefineGetter(m, node, "lastChild", GetLastChild);
    DefineGetter(m, node, "previousSibling", GetPreviousSibling);
    DefineGetter(m, node, "nextSibling", GetNextSibling);
    DefineGetter(m, node, "prefix", GetPrefix);
    DefineGetter(m, node, "localName", GetLocalName);
    DefineGetter(m, node, "namespaceURI", GetNamespaceUri);
    DefineMethod(m, node, "appendChild", AppendChild);
    DefineMethod(m, node, "insertBefore", InsertBefore);
    DefineMethod(m, node, "removeNode", RemoveNode);
    DefineMethod(m, node, "cloneNode", CloneNode);
    DefineMethod(m, node, "hasChildNodes", HasChildNodes);
    DefineMethod(m, node, "toString", NodeToString);
    DefineMethod(m, node, "getNamespaceForPrefix", GetNamespaceForPrefix);
    DefineMethod(m, node, "getPrefixForNamespace", GetPrefixForNamespace);
    DefineClass(m, "XMLNode", NodeConstruct, NodeConstruct, node);

    Object* xml = m.NewObject(node);
    DefineMethod(m, xml, "parseXML", ParseXml);
    DefineMethod(m, xml, "createElement", CreateElement);
    DefineMethod(m, xml, "createTextNode", CreateTextNode);
    DefineMethod(m, xml, "onData", XmlOnData);
    DefineMethod(m, xml, "onLoad", Ignore);
    InstallXmlLoading(m, xml);
    xml->Define("ignoreWhite", Value(false), kDontEnum);
    DefineClass(m, "XML", XmlConstruct, XmlConstruct, xml);
}

}  // namespace fh::avm1
