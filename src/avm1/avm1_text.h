#pragma once
// What the text classes share (avm1_textfield*.cpp, avm1_textformat.cpp,
// avm1_selection.cpp, avm1_stage_text.cpp): a text field object's field,
// its variable, and TextFormat objects to and from field formats.

#include <string>

#include "avm1/avm1_machine.h"

namespace fh::avm1 {

// The field of a text field object, and its timeline; none for other objects.
SwfEditText* FieldOf(Machine& m, const Value& self, TimelineId& t);
// The field changed: the host lays it out again.
void FieldChanged(Machine& m, TimelineId t);
// The field's text as scripts read it (UTF-8, '\r' between paragraphs).
std::string FieldText(const SwfEditText& field);
// New text for the whole field, as HTML when the field is an HTML one and
// `asHtml`; a variable it shows takes the text too.
void SetFieldText(Machine& m, TimelineId t, const std::string& text, bool asHtml);

// The variable a field shows: what it holds now brought into the field
// (when it holds anything), or, when `placed` and it holds nothing, the
// field's text given to it.
void SyncFieldVariable(Machine& m, TimelineId t, bool placed);

// TextField.prototype's properties (avm1_textfield_props.cpp).
void InstallTextFieldProperties(Machine& m, Object* proto);

// TextFormat objects: a new one with the fields a patch gives (the others
// null), and the patch an object's set fields make.
Object* NewTextFormat(Machine& m, const SwfFormatPatch& patch);
bool TextFormatPatch(Machine& m, const Value& v, SwfFormatPatch& patch);

}  // namespace fh::avm1
