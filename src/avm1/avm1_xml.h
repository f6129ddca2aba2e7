#pragma once
// XML trees: what an XMLNode object carries beside its properties (its
// type, name, value and links, kept where scripts cannot break them), the
// tree surgery the methods do, and the parser and serialiser that read and
// print the players' lenient XML. Nothing here recurses: deep trees are
// walked with work lists, and every step is charged to the running script.

#include <cstddef>
#include <string>
#include <vector>

#include "avm1/avm1_object.h"

namespace fh::avm1 {

class Machine;

enum XmlNodeType { kXmlElement = 1, kXmlText = 3 };

// The parser's status codes, as XML.status reports them.
enum XmlStatus {
    kXmlOk = 0,
    kXmlCdataOpen = -2,
    kXmlDeclOpen = -3,
    kXmlDoctypeOpen = -4,
    kXmlCommentOpen = -5,
    kXmlMalformed = -6,
    kXmlTooLarge = -7,  // the players' "out of memory"; here, past the depth or attribute cap
    kXmlAttributeOpen = -8,
    kXmlUnclosed = -9,
    kXmlUnmatchedEnd = -10,
};

// Caps on what one parse builds beyond the machine's own (objects, strings).
constexpr std::size_t kXmlMaxDepth = 4096;
constexpr std::size_t kXmlMaxAttributes = 65536;

class XmlNode : public NativeData {
public:
    int type = kXmlElement;
    Value name;   // null for text nodes and documents
    Value value;  // null for elements
    bool document = false;  // an XML object: prints its declarations before its children
    Object* attributes = nullptr;  // made when first needed
    Object* childArray = nullptr;  // childNodes: made when first read, then kept in step
    Object* parent = nullptr;
    std::size_t index = 0;  // its place among its parent's children
    std::vector<Object*> children;

    void VisitRefs(void (*visit)(Heap&, Object*), Heap& heap) override;
};

// The node data of a value, or none when it is no node.
XmlNode* XmlNodeOf(const Value& v);
// Makes o a node of that type: an element named `text`, or a text node of that value.
void InitXmlNode(Object* o, int type, const Value& text);
// A new node of the XMLNode class as it stands (a script may have replaced its prototype).
Object* NewXmlNode(Machine& m, int type, const Value& text);
// The node's attributes object and childNodes array, made on first use.
Object* XmlAttributes(Machine& m, Object* node);
Object* XmlChildArray(Machine& m, Object* node);

// Puts child among parent's children at `at` (clamped), taking it from
// where it was. Refused (false) when either is no node or the child is the
// parent or one of its ancestors: a tree never becomes a cycle.
bool XmlInsert(Machine& m, Object* parent, Object* child, std::size_t at);
// Appends a node just made (no parent, no children) without XmlInsert's checks.
void XmlAppendNew(Object* parent, Object* child);
// Takes a node out of its parent's children.
void XmlDetach(Object* child);
// Detaches every child (a document parsed again).
void XmlClearChildren(Object* node);
// A copy of a node (its attributes copied too), with copies of all its descendants when deep.
Object* XmlClone(Machine& m, Object* node, bool deep);
// The node printed as the players print it: escaped text, `<a x="1" />` for an empty element.
std::string XmlToString(Machine& m, Object* node);
// Text with the five named entities and numeric ones decoded; others are kept as written.
std::string XmlDecode(const std::string& text);

// Parses text into the document's children (which it first clears); sets
// xmlDecl and docTypeDecl when found. Returns the status; what was read
// before an error stays in the tree.
int XmlParse(Machine& m, Object* doc, const std::string& text, bool ignoreWhite);

// The loading methods XML and LoadVars share (load, send, sendAndLoad,
// getBytesLoaded, getBytesTotal, addRequestHeader, contentType).
void InstallXmlLoading(Machine& m, Object* proto);

}  // namespace fh::avm1
