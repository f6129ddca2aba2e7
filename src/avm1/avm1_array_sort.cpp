// Array's sort and sortOn. The keys are converted once before sorting, so
// a script's valueOf or toString runs once per element; a compare function
// runs per comparison, in the order the players' quicksort asked. The sort
// stays within its arrays whatever a compare function answers, and is
// charged by its comparisons, so an answer that never settles meets the caps.

#include <cmath>
#include <string>
#include <vector>

#include "avm1/avm1_machine.h"
#include "avm1/avm1_utf16.h"

namespace fh::avm1 {

namespace {

enum SortOption : int {
    kCaseInsensitive = 1,
    kDescending = 2,
    kUniqueSort = 4,
    kReturnIndexedArray = 8,
    kNumeric = 16,
};

// One element's sort field, converted as its options say.
struct Key {
    bool undefined = false;
    double number = 0;
    std::u16string text;
};

Key MakeKey(Machine& m, const Value& v, int options) {
    Key k;
    if (v.IsUndefined()) {
        k.undefined = true;
    } else if (options & kNumeric) {
        k.number = m.ToNumber(v);
    } else {
        k.text = Utf8ToUtf16(m.ToString(v));
        if (options & kCaseInsensitive)
            for (char16_t& c : k.text) c = LowerUnit(c);
    }
    return k;
}

// Undefined sorts last whatever the direction; NaN after every number.
int CompareKeys(const Key& a, const Key& b, int options) {
    if (a.undefined || b.undefined) return a.undefined == b.undefined ? 0 : a.undefined ? 1 : -1;
    int r;
    if (options & kNumeric) {
        bool an = std::isnan(a.number), bn = std::isnan(b.number);
        r = an || bn ? (an == bn ? 0 : an ? 1 : -1) : a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    } else {
        r = a.text.compare(b.text);
        r = r < 0 ? -1 : r > 0 ? 1 : 0;
    }
    return options & kDescending ? -r : r;
}

// The players' quicksort of positions; `compare` answers <0, 0 or >0. A
// range's first element is the pivot; the left scan stops at an element not
// below it, the right scan (which may pass the left one) at an element
// below it; a range of two takes one comparison. Ranges wait on a stack, the
// left one first.
template <typename Compare>
void QuickSort(Machine& m, std::vector<std::size_t>& order, Compare compare) {
    if (order.size() < 2) return;
    std::size_t comparisons = 0;
    auto cmp = [&](std::size_t x, std::size_t y) {
        // A comparison costs about a sixteenth of an action.
        if ((++comparisons & 15) == 0) m.Charge(1);
        return compare(order[x], order[y]);
    };
    std::vector<std::pair<std::size_t, std::size_t>> ranges{{0, order.size() - 1}};
    while (!ranges.empty()) {
        const auto [lo, hi] = ranges.back();
        ranges.pop_back();
        if (lo >= hi) continue;
        if (hi - lo == 1) {
            if (cmp(lo, hi) > 0) std::swap(order[lo], order[hi]);
            continue;
        }
        std::size_t i = lo + 1, j = hi;
        while (true) {
            while (i < j && cmp(lo, i) > 0) ++i;
            while (j > lo && cmp(lo, j) <= 0) --j;
            if (i >= j) break;
            std::swap(order[i], order[j]);
        }
        std::swap(order[lo], order[j]);
        ranges.emplace_back(j + 1, hi);
        if (j > lo) ranges.emplace_back(lo, j - 1);
    }
}

// Sorts `self` by compare(i, j) over the elements' positions, with the
// options' unique and indexed forms; undefined elements go last unless the
// compare function is asked about them too.
template <typename Compare>
Value SortBy(Machine& m, Object* a, int options, const std::vector<Value>& values, Compare compare) {
    std::vector<std::size_t> order(values.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    bool tie = false;
    QuickSort(m, order, [&](std::size_t i, std::size_t j) {
        int r = compare(i, j);
        if (r == 0) tie = true;
        return r;
    });
    // Any two equal elements end side by side, and a sort compares every
    // such pair, so a tie seen on the way is a duplicate.
    if ((options & kUniqueSort) && tie) return Value(0);
    if (options & kReturnIndexedArray) {
        std::vector<Value> indices;
        indices.reserve(order.size());
        for (std::size_t i : order) indices.emplace_back(static_cast<double>(i));
        return Value(m.NewArray(std::move(indices)));
    }
    std::vector<Value> sorted;
    sorted.reserve(order.size());
    for (std::size_t i : order) sorted.push_back(values[i]);
    a->Elements() = std::move(sorted);
    a->ForgetElementOrder();
    return Value(a);
}

Value Sort(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* a = self.Obj();
    if (!a || a->Kind() != ObjKind::Array) return Value();
    Value fn;
    int options = 0;
    Object* first = Arg(args, 0).Obj();
    if (first && first->Kind() == ObjKind::Function) {
        fn = args[0];
        if (args.size() > 1) options = ToInt32(m.ToNumber(args[1]));
    } else if (!args.empty()) {
        options = ToInt32(m.ToNumber(args[0]));
    }
    std::vector<Value> values = a->Elements();
    if (fn.IsObject()) {
        int sign = options & kDescending ? -1 : 1;
        return SortBy(m, a, options, values, [&](std::size_t i, std::size_t j) {
            const Value &x = values[i], &y = values[j];
            if (x.IsUndefined() || y.IsUndefined())
                return x.IsUndefined() == y.IsUndefined() ? 0 : x.IsUndefined() ? 1 : -1;
            double r = m.ToNumber(m.Call(fn, Value(), {x, y}));
            return r < 0 ? -sign : r > 0 ? sign : 0;
        });
    }
    std::vector<Key> keys;
    keys.reserve(values.size());
    for (const Value& v : values) keys.push_back(MakeKey(m, v, options));
    return SortBy(m, a, options, values,
                  [&](std::size_t i, std::size_t j) { return CompareKeys(keys[i], keys[j], options); });
}

// sortOn(name or [names], options or [options per name]).
Value SortOn(Machine& m, const Value& self, const std::vector<Value>& args) {
    Object* a = self.Obj();
    if (!a || a->Kind() != ObjKind::Array || args.empty()) return Value();
    std::vector<std::string> names;
    std::vector<int> fieldOptions;
    Object* list = args[0].Obj();
    if (list && list->Kind() == ObjKind::Array) {
        for (std::size_t i = 0; i < list->Elements().size(); ++i) names.push_back(m.ToString(list->Elements()[i]));
    } else {
        names.push_back(m.ToString(args[0]));
    }
    int options = 0;
    Object* optionList = Arg(args, 1).Obj();
    if (optionList && optionList->Kind() == ObjKind::Array) {
        // Options per field when there are as many as fields; the first field's otherwise.
        for (std::size_t i = 0; i < optionList->Elements().size(); ++i)
            fieldOptions.push_back(ToInt32(m.ToNumber(optionList->Elements()[i])));
        if (fieldOptions.size() != names.size()) fieldOptions.clear();
        if (!fieldOptions.empty()) options = fieldOptions[0];
    } else if (args.size() > 1) {
        options = ToInt32(m.ToNumber(args[1]));
    }
    if (fieldOptions.empty()) fieldOptions.assign(names.size(), options);
    std::vector<Value> values = a->Elements();
    std::vector<std::vector<Key>> keys(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        keys[i].reserve(names.size());
        for (std::size_t f = 0; f < names.size(); ++f)
            keys[i].push_back(MakeKey(m, values[i].IsNullish() ? Value() : m.Get(values[i], names[f]), fieldOptions[f]));
    }
    return SortBy(m, a, options, values, [&](std::size_t i, std::size_t j) {
        for (std::size_t f = 0; f < names.size(); ++f)
            if (int r = CompareKeys(keys[i][f], keys[j][f], fieldOptions[f])) return r;
        return 0;
    });
}

}  // namespace

void InstallArraySort(Machine& m) {
    Object* proto = m.R().arrayProto;
    DefineMethod(m, proto, "sort", Sort);
    DefineMethod(m, proto, "sortOn", SortOn);
    Value ctor = m.Get(Value(proto), "constructor");
    if (Object* array = ctor.Obj()) {
        const std::pair<const char*, int> constants[] = {{"CASEINSENSITIVE", kCaseInsensitive},
                                                         {"DESCENDING", kDescending},
                                                         {"UNIQUESORT", kUniqueSort},
                                                         {"RETURNINDEXEDARRAY", kReturnIndexedArray},
                                                         {"NUMERIC", kNumeric}};
        for (const auto& c : constants) array->Define(c.first, Value(c.second), kDontEnum | kDontDelete | kReadOnly);
    }
}

}  // namespace fh::avm1
