// TextField: the methods of text field objects (formats, replacing text,
// depth), MovieClip.createTextField, and the variable a field shows. The
// fields' properties are in avm1_textfield_props.cpp.

#include <algorithm>
#include <cmath>

#include "avm1/avm1_text.h"

namespace fh::avm1 {

SwfEditText* FieldOf(Machine& m, const Value& self, TimelineId& t) {
    Object* o = self.Obj();
    if (!o || o->Kind() != ObjKind::Timeline) return nullptr;
    t = m.TimelineOf(o);
    return t ? m.GetHost().TextField(t) : nullptr;
}

void FieldChanged(Machine& m, TimelineId t) { m.GetHost().TextFieldChanged(t); }

std::string FieldText(const SwfEditText& field) { return SwfCharsToUtf8(field.Chars()); }

namespace {

// Where a field's variable lives: the object that holds it and its name.
// "a", "clip:a", "/clip:a", "_root.clip.a" from the field's parent.
bool VariableOf(Machine& m, TimelineId t, const std::string& path, Value& holder, std::string& name) {
    if (path.empty()) return false;
    Object* parent = m.TimelineObject(m.GetHost().Parent(t));
    if (!parent) return false;
    std::size_t split = path.rfind(':');
    if (split == std::string::npos) split = path.rfind('.');
    name = split == std::string::npos ? path : path.substr(split + 1);
    holder = Value(parent);
    if (split == std::string::npos) return !name.empty();
    bool fromRoot = false;
    const std::vector<std::string> parts = Machine::PathParts(path.substr(0, split), fromRoot);
    if (fromRoot) holder = Value(m.TimelineObject(m.GetHost().Root()));
    for (const std::string& part : parts) {
        holder = m.PathStep(holder, part);
        if (!holder.IsObject()) return false;
    }
    return !name.empty();
}

void SetVariable(Machine& m, TimelineId t, const SwfEditText& field) {
    Value holder;
    std::string name;
    if (VariableOf(m, t, field.variable, holder, name)) m.Set(holder, name, Value(FieldText(field)));
}

void ShowText(Machine& m, TimelineId t, SwfEditText& field, const std::string& text) {
    m.CheckString(text.size());
    m.Charge(text.size() / 64);
    if (field.html) {
        field.SetHtml(text);
    } else {
        field.SetText(SwfUtf8ToChars(text));
    }
    FieldChanged(m, t);
}

}  // namespace

void SetFieldText(Machine& m, TimelineId t, const std::string& text, bool asHtml) {
    SwfEditText* field = m.GetHost().TextField(t);
    if (!field) return;
    m.CheckString(text.size());
    m.Charge(text.size() / 64);
    if (asHtml && field->html) {
        field->SetHtml(text);
    } else {
        field->SetText(SwfUtf8ToChars(text));
    }
    FieldChanged(m, t);
    SetVariable(m, t, *field);
}

void SyncFieldVariable(Machine& m, TimelineId t, bool placed) {
    SwfEditText* field = m.GetHost().TextField(t);
    Value holder;
    std::string name;
    if (!field || !VariableOf(m, t, field->variable, holder, name)) return;
    Value now;
    const bool found = m.Lookup(holder, name, now);
    if (!found || now.IsUndefined()) {
        // A field bound anew shows its first text again, and gives it to the variable.
        if (!placed) return;
        if (field->html) {
            field->SetHtml(field->initialText);
        } else {
            field->SetText(SwfUtf8ToChars(field->initialText));
        }
        FieldChanged(m, t);
        if (field->Length() > 0) SetVariable(m, t, *field);
        return;
    }
    // A variable of an object other than a timeline is written, never followed.
    if (!placed && holder.Obj()->Kind() != ObjKind::Timeline) return;
    const std::string text = m.ToString(now);
    field = m.GetHost().TextField(t);
    if (field && (field->html ? text != field->Html() : text != FieldText(*field))) ShowText(m, t, *field, text);
}

void InitTextFieldObject(Machine& m, Object* o) {
    InitializeBroadcaster(m, o);
    if (Object* list = o->FindOwn("_listeners") ? o->FindOwn("_listeners")->value.Obj() : nullptr) {
        list->Elements().push_back(Value(o));
    }
}

Value TextFieldSize(Machine& m, TimelineId t, bool width) {
    const SwfEditText* field = m.GetHost().TextField(t);
    if (!field) return Value();
    m.GetHost().TextMetrics(t);  // an auto-sized field takes its size from its text first
    const SwfRect& r = field->bounds;
    const double scale = m.ToNumber(m.GetHost().GetProperty(t, width ? kPropXScale : kPropYScale)) / 100;
    const double twips = width ? r.xMax - r.xMin : r.yMax - r.yMin;
    return Value(twips / 20 * (std::isfinite(scale) ? std::fabs(scale) : 1));
}

void SetTextFieldSize(Machine& m, TimelineId t, bool width, const Value& v) {
    SwfEditText* field = m.GetHost().TextField(t);
    const double n = m.ToNumber(v);
    if (!field || !std::isfinite(n)) return;
    const auto twips = static_cast<std::int32_t>(std::clamp(n, 0.0, 1e6) * 20);
    if (width) {
        field->bounds.xMax = field->bounds.xMin + twips;
    } else {
        field->bounds.yMax = field->bounds.yMin + twips;
    }
    FieldChanged(m, t);
}

namespace {

// A character index argument, clamped to the text.
std::size_t Index(Machine& m, const Value& v, std::size_t length) {
    const double n = m.ToNumber(v);
    if (!(n >= 0)) return 0;
    return static_cast<std::size_t>(std::min(n, static_cast<double>(length)));
}

// The range of getTextFormat and setTextFormat's leading arguments: none for
// the whole text, one for a character, two for a range. `count` is how many there are.
bool Range(Machine& m, const std::vector<Value>& args, std::size_t count, std::size_t length, std::size_t& begin,
           std::size_t& end) {
    begin = 0;
    end = length;
    if (count >= 1) {
        const double b = m.ToNumber(args[0]);
        if (std::isnan(b) || b < 0) return count == 1 ? false : true;
        begin = Index(m, args[0], length);
        end = begin + 1;
    }
    if (count >= 2) {
        const double e = m.ToNumber(args[1]);
        if (!std::isnan(e)) end = Index(m, args[1], length);
    }
    return true;
}

Value GetTextFormat(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t;
    SwfEditText* field = FieldOf(m, self, t);
    if (!field) return Value();
    std::size_t begin, end;
    if (!Range(m, args, std::min<std::size_t>(args.size(), 2), field->Length(), begin, end)) return Value();
    return Value(NewTextFormat(m, field->FormatOf(begin, end)));
}

Value SetTextFormat(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t;
    SwfEditText* field = FieldOf(m, self, t);
    if (!field || args.empty()) return Value();
    SwfFormatPatch patch;
    const std::size_t count = std::min<std::size_t>(args.size() - 1, 2);
    if (!TextFormatPatch(m, args[count], patch)) return Value();
    std::size_t begin, end;
    if (!Range(m, args, count, field->Length(), begin, end)) return Value();
    m.Charge(field->Length() / 64);
    field->SetFormat(begin, end, patch);
    FieldChanged(m, t);
    return Value();
}

Value GetNewTextFormat(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t;
    SwfEditText* field = FieldOf(m, self, t);
    return field ? Value(NewTextFormat(m, SwfFormatPatch{field->newFormat, kFmtAll})) : Value();
}

Value SetNewTextFormat(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t;
    SwfEditText* field = FieldOf(m, self, t);
    SwfFormatPatch patch;
    if (field && TextFormatPatch(m, Arg(args, 0), patch)) field->newFormat.Apply(patch.format, patch.mask);
    return Value();
}

void ReplaceRange(Machine& m, TimelineId t, SwfEditText& field, std::size_t begin, std::size_t end,
                  const std::string& text) {
    m.CheckString(text.size());
    m.Charge((field.Length() + text.size()) / 64);
    field.Replace(begin, end, SwfUtf8ToChars(text));
    FieldChanged(m, t);
    if (!field.variable.empty()) SyncFieldVariable(m, t, true);
}

// In place of the selection; at the end of the text when the field has no focus.
Value ReplaceSel(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t;
    SwfEditText* field = FieldOf(m, self, t);
    if (!field || args.empty()) return Value();
    std::size_t begin = field->Length(), end = begin;
    if (m.GetHost().Focus() == t && field->selectionBegin >= 0) {
        const auto a = static_cast<std::size_t>(field->selectionBegin);
        const auto b = static_cast<std::size_t>(std::max(0, field->selectionEnd));
        begin = std::min({a, b, field->Length()});
        end = std::min(std::max(a, b), field->Length());
    }
    const std::string text = m.ToString(args[0]);
    ReplaceRange(m, t, *field, begin, end, text);
    if (m.GetHost().Focus() == t) field->selectionBegin = field->selectionEnd = static_cast<int>(begin + Utf8Length(text));
    return Value();
}

Value ReplaceText(Machine& m, const Value& self, const std::vector<Value>& args) {
    TimelineId t;
    SwfEditText* field = FieldOf(m, self, t);
    if (!field || args.size() < 3) return Value();
    const std::size_t begin = Index(m, args[0], field->Length());
    const std::size_t end = std::max(begin, Index(m, args[1], field->Length()));
    ReplaceRange(m, t, *field, begin, end, m.ToString(args[2]));
    return Value();
}

Value GetDepth(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t;
    int depth = 0;
    return FieldOf(m, self, t) && m.GetHost().Depth(t, depth) ? Value(depth) : Value();
}

Value RemoveTextField(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t;
    if (FieldOf(m, self, t)) m.GetHost().RemoveClip(t);
    return Value();
}

Value FieldToString(Machine& m, const Value& self, const std::vector<Value>&) {
    TimelineId t;
    return FieldOf(m, self, t) ? Value(m.DotPath(t)) : Value("[object Object]");
}

// The device fonts a player would list; a movie drawn here has none of the machine's.
Value GetFontList(Machine& m, const Value&, const std::vector<Value>&) {
    return Value(m.NewArray({Value("_sans"), Value("_serif"), Value("_typewriter")}));
}

Value CreateTextField(Machine& m, const Value& self, const std::vector<Value>& args) {
    const TimelineId parent = m.TimelineOf(self.Obj());
    if (!parent || args.size() < 6) return Value();
    double n[5];
    for (int i = 0; i < 5; ++i) {
        n[i] = m.ToNumber(args[static_cast<std::size_t>(i) + 1]);
        if (!std::isfinite(n[i])) n[i] = 0;
        n[i] = std::clamp(n[i], -1e6, 1e6);
    }
    const SwfRect r{static_cast<std::int32_t>(n[1] * 20), static_cast<std::int32_t>((n[1] + std::fabs(n[3])) * 20),
                    static_cast<std::int32_t>(n[2] * 20), static_cast<std::int32_t>((n[2] + std::fabs(n[4])) * 20)};
    const TimelineId t = m.GetHost().CreateTextField(parent, m.ToString(args[0]), static_cast<int>(n[0]), r);
    Object* o = m.TimelineObject(t);
    return o && m.Version() >= 8 ? Value(o) : Value();
}

Value NewTextField(Machine&, const Value&, const std::vector<Value>&) { return Value(); }

}  // namespace

void InstallTextField(Machine& m) {
    Object* proto = m.R().textFieldProto;
    DefineMethod(m, proto, "getTextFormat", GetTextFormat);
    DefineMethod(m, proto, "setTextFormat", SetTextFormat);
    DefineMethod(m, proto, "getNewTextFormat", GetNewTextFormat);
    DefineMethod(m, proto, "setNewTextFormat", SetNewTextFormat);
    DefineMethod(m, proto, "replaceSel", ReplaceSel);
    DefineMethod(m, proto, "replaceText", ReplaceText);
    DefineMethod(m, proto, "getDepth", GetDepth);
    DefineMethod(m, proto, "removeTextField", RemoveTextField);
    DefineMethod(m, proto, "toString", FieldToString);
    InstallTextFieldProperties(m, proto);
    Object* ctor = DefineClass(m, "TextField", NewTextField, nullptr, proto);
    DefineMethod(m, ctor, "getFontList", GetFontList);
    DefineMethod(m, m.R().movieClipProto, "createTextField", CreateTextField);
}

}  // namespace fh::avm1
