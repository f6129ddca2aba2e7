#include "swf/swf_references.h"

#include <algorithm>

#include "base/codepage.h"
#include "swf/swf_action_scan.h"
#include "swf/swf_filters.h"
#include "swf/swf_reader.h"
#include "swf/swf_script.h"

namespace fh {

namespace {

enum Tag : unsigned {
    kEnd = 0,
    kDefineButton = 7,
    kDoAction = 12,
    kPlaceObject2 = 26,
    kDefineButton2 = 34,
    kDefineSprite = 39,
    kImportAssets = 57,
    kDoInitAction = 59,
    kImportAssets2 = 71,
    kPlaceObject3 = 70,
    kDoAbcOld = 72,
    kDoAbc = 82,
};

// Sprites cannot hold sprites; a movie that nests them anyway is read this deep.
constexpr int kMaxSpriteDepth = 4;
constexpr int kMaxClipHandlers = 64;
constexpr int kMaxButtonConditions = 256;
constexpr int kMaxButtonParts = 1000;

struct Extension {
    const char* name;
    std::optional<SwfRefKind> kind;
    bool page = false;  // a page: a link, when nothing says how it is loaded
};
const Extension kExtensions[] = {
    {"swf", SwfRefKind::Movie},    {"jpg", SwfRefKind::Picture}, {"jpeg", SwfRefKind::Picture},
    {"png", SwfRefKind::Picture},  {"gif", SwfRefKind::Picture}, {"mp3", SwfRefKind::Sound},
    {"wav", SwfRefKind::Sound},    {"flv", SwfRefKind::Video},   {"f4v", SwfRefKind::Video},
    {"mp4", SwfRefKind::Video},    {"xml", std::nullopt},        {"txt", std::nullopt},
    {"json", std::nullopt},        {"css", std::nullopt},        {"php", std::nullopt},
    {"asp", std::nullopt},         {"aspx", std::nullopt},       {"jsp", std::nullopt},
    {"cgi", std::nullopt},         {"html", std::nullopt, true}, {"htm", std::nullopt, true},
};

// The path of a URL: before its query or fragment.
std::string_view PathOf(std::string_view text) { return text.substr(0, text.find_first_of("?#")); }

const Extension* FindExtension(std::string_view text) {
    const std::string_view path = PathOf(text);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return nullptr;
    // A name before the dot: ".swf" alone names no file.
    if (dot == 0 || path[dot - 1] == '/') return nullptr;
    const std::string_view ext = path.substr(dot + 1);
    for (const Extension& e : kExtensions)
        if (CodePage().EqualNoCase(ext, e.name)) return &e;
    return nullptr;
}

// No spaces, control characters or markup: what a player would fetch as written.
bool IsUrlText(std::string_view text) {
    if (text.empty()) return false;
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7F || c == '<' || c == '>' || c == '"' || c == '\'' || c == '{' || c == '}' ||
            c == '\\' || c == '|' || c == '^' || c == '`')
            return false;
    // A scheme before the first slash: only those that fetch files (not
    // javascript:, mailto:, FSCommand:, asfunction:, event:).
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon < text.find('/')) {
        const std::string_view scheme = text.substr(0, colon);
        const CodePage cp;
        return cp.EqualNoCase(scheme, "http") || cp.EqualNoCase(scheme, "https") || cp.EqualNoCase(scheme, "ftp") ||
               cp.EqualNoCase(scheme, "file");
    }
    return true;
}

// An ABC file's u30 (and s32/u32, read the same way): up to five bytes.
std::uint32_t AbcU30(SwfReader& r) {
    std::uint32_t value = 0;
    for (int shift = 0; shift < 35; shift += 7) {
        const std::uint8_t b = r.U8();
        value |= static_cast<std::uint32_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) break;
    }
    return value;
}

class Scanner {
public:
    Scanner(int version, const SwfReferenceLimits& limits) : m_version(version), m_limits(limits), m_out(limits), m_actions(m_out) {}

    void Body(const unsigned char* body, std::size_t size) {
        SwfReader r(body, size);
        r.Rect();
        r.U16();
        r.U16();
        if (r.Overrun()) {
            m_out.Incomplete();
            return;
        }
        SwfReader tags(body + r.Position(), size - r.Position());
        Tags(tags, 0);
    }

    SwfReferences Take() { return m_out.Take(); }

private:
    void Tags(SwfReader& r, int depth) {
        while (r.Remaining() > 0) {
            if (r.Remaining() < 2) {
                m_out.Incomplete();
                return;
            }
            const std::uint16_t head = r.U16();
            const unsigned code = head >> 6;
            std::size_t length = head & 0x3F;
            if (length == 0x3F) length = r.U32();
            if (r.Overrun() || length > r.Remaining()) {
                m_out.Incomplete();
                length = r.Remaining();
            }
            if (++m_tags > m_limits.maxTags || !m_out.Spend()) {
                m_out.Incomplete();
                return;
            }
            if (code == kEnd) return;
            const std::size_t start = r.Position();
            SwfReader tag(r.Data() + start, length);
            Tag(code, tag, depth);
            r.Seek(start + length);
        }
    }

    void Actions(SwfReader& r) { m_actions.Scan(r.Data() + r.Position(), r.Remaining()); }

    void Tag(unsigned code, SwfReader& r, int depth) {
        switch (code) {
        case kDoAction: Actions(r); return;
        case kDoInitAction:
            r.U16();  // the sprite it is for
            Actions(r);
            return;
        case kDefineSprite:
            r.Skip(4);  // id and frame count
            if (depth < kMaxSpriteDepth && !r.Overrun()) {
                SwfReader tags(r.Data() + r.Position(), r.Remaining());
                Tags(tags, depth + 1);
            }
            return;
        case kDefineButton: Button(r); return;
        case kDefineButton2: Button2(r); return;
        case kPlaceObject2:
        case kPlaceObject3: Place(code, r); return;
        case kImportAssets:
        case kImportAssets2: m_out.Add(r.String(), std::string(), SwfRefKind::Movie, SwfRefFound::ImportAssets); return;
        case kDoAbc:
            r.U32();     // flags
            r.String();  // name
            Abc(r);
            return;
        case kDoAbcOld: Abc(r); return;
        default: return;
        }
    }

    // DefineButton: its parts, then its one action list.
    void Button(SwfReader& r) {
        r.U16();
        for (int n = 0; n < kMaxButtonParts && !r.Overrun(); ++n) {
            if (r.U8() == 0) {
                if (!r.Overrun()) Actions(r);
                return;
            }
            r.Skip(4);  // character and depth
            r.Matrix();
        }
    }

    // DefineButton2: the condition records, each with its action list.
    void Button2(SwfReader& r) {
        r.Skip(3);  // id and menu flag
        const std::size_t offsetAt = r.Position();
        const std::uint16_t offset = r.U16();
        if (r.Overrun() || !offset) return;
        std::size_t at = offsetAt + offset;
        for (int n = 0; n < kMaxButtonConditions && at + 4 <= r.Size(); ++n) {
            r.Seek(at);
            const std::uint16_t next = r.U16();
            const std::size_t end = next ? std::min(r.Size(), at + next) : r.Size();
            SwfReader actions(r.Data() + at + 4, end > at + 4 ? end - at - 4 : 0);
            Actions(actions);
            if (!next) return;
            at += next;
        }
    }

    // A placement's clip handlers, after the fields its flags say it has.
    void Place(unsigned code, SwfReader& r) {
        const std::uint8_t flags = r.U8();
        const std::uint8_t flags2 = code == kPlaceObject3 ? r.U8() : 0;
        if (!(flags & 0x80)) return;
        r.U16();  // depth
        if (flags2 & 0x08) r.String();
        if (flags & 0x02) r.U16();
        if (flags & 0x04) r.Matrix();
        if (flags & 0x08) r.ColorTransform(true);
        if (flags & 0x10) r.U16();
        if (flags & 0x20) r.String();
        if (flags & 0x40) r.U16();
        if (flags2 & 0x01) {
            SwfFilterList unused;
            if (!ReadFilterList(r, unused, 0)) return;
        }
        if (flags2 & 0x02) r.U8();
        if (flags2 & 0x04) r.U8();
        if (flags2 & 0x20) r.U8();
        if (flags2 & 0x40) r.Rgba();
        // Event flags of 16 bits before version 6, 32 from it.
        const bool wide = m_version >= 6;
        auto events = [&] { return wide ? r.U32() : std::uint32_t{r.U16()}; };
        r.U16();
        events();
        for (int n = 0; n < kMaxClipHandlers && !r.Overrun(); ++n) {
            const std::uint32_t handled = events();
            if (!handled || r.Overrun()) return;
            std::uint32_t size = r.U32();
            // A key press handler's size counts its key code, which comes first.
            if ((handled & kSwfEventKeyPress) && size > 0) {
                r.U8();
                --size;
            }
            if (r.Overrun() || size > r.Remaining()) {
                // A handler cut by the tag's end: what is there is still scanned.
                Actions(r);
                return;
            }
            SwfReader actions(r.Data() + r.Position(), size);
            Actions(actions);
            r.Skip(size);
        }
    }

    // An ABC file's constant pool: its numbers are passed over, its strings
    // that look like files kept. Each entry costs work, so a pool of a
    // million strings ends within the budget.
    void Abc(SwfReader& r) {
        r.Skip(4);  // minor and major version
        for (int table = 0; table < 2; ++table) {  // ints, uints
            const std::uint32_t count = AbcU30(r);
            for (std::uint32_t i = 1; i < count && !r.Overrun(); ++i) {
                if (!m_out.Spend()) return;
                AbcU30(r);
            }
        }
        const std::uint32_t doubles = AbcU30(r);
        if (doubles > 1) r.Skip((static_cast<std::size_t>(doubles) - 1) * 8);
        const std::uint32_t strings = AbcU30(r);
        for (std::uint32_t i = 1; i < strings && !r.Overrun(); ++i) {
            if (!m_out.Spend()) return;
            const std::uint32_t length = AbcU30(r);
            if (r.Overrun() || length > r.Remaining()) break;
            const std::string_view text(reinterpret_cast<const char*>(r.Data() + r.Position()), length);
            r.Skip(length);
            if (length > m_limits.maxText || !HasFileReferenceShape(text)) continue;
            const Extension* e = FindExtension(text);
            m_out.Add(std::string(text), std::string(), e->kind ? *e->kind : e->page ? SwfRefKind::Page : SwfRefKind::Data,
                      SwfRefFound::AbcString);
        }
        if (r.Overrun()) m_out.Incomplete();
    }

    int m_version;
    const SwfReferenceLimits& m_limits;
    SwfReferenceCollector m_out;
    SwfActionScanner m_actions;
    std::uint64_t m_tags = 0;
};

}  // namespace

std::optional<SwfRefKind> KindOfExtension(std::string_view text) {
    const Extension* e = FindExtension(text);
    return e ? e->kind : std::nullopt;
}

bool HasFileReferenceShape(std::string_view text) { return IsUrlText(text) && FindExtension(text) != nullptr; }

void SwfReferenceCollector::Add(const std::string& text, const std::string& target, SwfRefKind use, SwfRefFound how) {
    if (text.size() > m_limits.maxText || !IsUrlText(text)) return;
    const bool link = use == SwfRefKind::Page;
    if (m_seen.count((link ? "L" : "F") + text)) return;
    if (m_result.refs.size() >= m_limits.maxReferences) {
        m_result.complete = false;
        return;
    }
    m_seen.insert((link ? "L" : "F") + text);
    SwfReference ref;
    ref.text = text;
    ref.target = target;
    // What a file is says more than how it is loaded: loadMovie loads pictures too.
    const std::optional<SwfRefKind> kind = link ? std::nullopt : KindOfExtension(text);
    ref.kind = kind ? *kind : use;
    ref.how = how;
    ref.link = link;
    m_result.refs.push_back(std::move(ref));
}

bool SwfReferenceCollector::Spend(std::uint64_t count) {
    if (m_work < count) {
        m_work = 0;
        m_result.complete = false;
        return false;
    }
    m_work -= count;
    return true;
}

SwfReferences ScanSwfBodyReferences(const unsigned char* body, std::size_t size, int version,
                                    const SwfReferenceLimits& limits) {
    Scanner scanner(version, limits);
    scanner.Body(body, size);
    return scanner.Take();
}

SwfReferences ScanSwfReferences(ByteSource& source, const SwfReferenceLimits& limits) {
    const SwfBody body = ReadSwfBody(source, limits.maxBody);
    if (body.info.stop == SwfStop::NotAMovie) {
        SwfReferences none;
        none.complete = false;
        return none;
    }
    SwfReferences refs = ScanSwfBodyReferences(body.bytes.data(), body.bytes.size(), body.info.version.value_or(0), limits);
    if (body.info.stop != SwfStop::FirstFrame) refs.complete = false;
    return refs;
}

}  // namespace fh
