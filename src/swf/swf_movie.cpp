#include "swf/swf_movie.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cmath>
#include <cstring>

#include "swf/swf_reader.h"
#include "swf/swf_script.h"

namespace fh {

namespace {

enum Tag : unsigned {
    kEnd = 0,
    kShowFrame = 1,
    kDefineShape = 2,
    kPlaceObject = 4,
    kRemoveObject = 5,
    kDefineBits = 6,
    kDefineButton = 7,
    kJpegTables = 8,
    kSetBackgroundColor = 9,
    kDefineFont = 10,
    kDefineText = 11,
    kDoAction = 12,
    kDefineSound = 14,
    kStartSound = 15,
    kSoundStreamHead = 18,
    kSoundStreamBlock = 19,
    kDefineBitsLossless = 20,
    kDefineBitsJpeg2 = 21,
    kDefineShape2 = 22,
    kPlaceObject2 = 26,
    kRemoveObject2 = 28,
    kDefineShape3 = 32,
    kDefineText2 = 33,
    kDefineButton2 = 34,
    kDefineBitsJpeg3 = 35,
    kDefineBitsLossless2 = 36,
    kDefineEditText = 37,
    kDefineSprite = 39,
    kFrameLabel = 43,
    kSoundStreamHead2 = 45,
    kExportAssets = 56,
    kDefineMorphShape = 46,
    kDefineFont2 = 48,
    kDoInitAction = 59,
    kDefineVideoStream = 60,
    kVideoFrame = 61,
    kFileAttributes = 69,
    kPlaceObject3 = 70,
    kDoAbcOld = 72,
    kDefineFont3 = 75,
    kDoAbc = 82,
    kDefineShape4 = 83,
    kDefineMorphShape2 = 84,
    kStartSound2 = 89,
    kDefineBitsJpeg4 = 90,
};

constexpr std::size_t kMaxExports = 65536;
// Handlers in one placement's clip actions: one per event is what the tools write.
constexpr int kMostClipActions = 64;

class Parser {
public:
    Parser(const SwfLimits& limits, SwfMovie& movie) : m_limits(limits), m_movie(movie) {
        m_budget.edges = limits.maxEdges;
        m_budget.styles = limits.maxStyles;
    }

    // The tags of the root (`timeline` is the movie's) or of a sprite.
    void Tags(SwfReader& r, SwfTimeline& timeline, bool root) {
        SwfFrame frame;
        bool unrun = false;  // the frame has script that is not run
        // A sprite cut inside its own tag ends only that sprite.
        SwfCut spriteCut = SwfCut::None;
        SwfCut& cut = root ? m_movie.cut : spriteCut;
        auto Cut = [&](SwfCut why) {
            if (cut == SwfCut::None) cut = why;
        };
        while (r.Remaining() > 0) {
            if (m_movie.cut != SwfCut::None || cut != SwfCut::None) break;
            if (r.Remaining() < 2) {
                Cut(SwfCut::CutShort);
                break;
            }
            const std::uint16_t head = r.U16();
            const unsigned code = head >> 6;
            std::size_t length = head & 0x3F;
            if (length == 0x3F) {
                if (r.Remaining() < 4) {
                    Cut(SwfCut::CutShort);
                    break;
                }
                length = r.U32();
            }
            if (++m_movie.tagCount > m_limits.maxTags) {
                MovieCut(SwfCut::TooManyTags);
                break;
            }
            const std::size_t start = r.Position();
            if (length > r.Remaining()) {
                // The last tag is cut: what it holds is still read, as far as it goes.
                length = r.Remaining();
                Cut(SwfCut::CutShort);
            }
            if (code == kEnd) break;
            if (code == kShowFrame) {
                timeline.frames.push_back(std::move(frame));
                frame = SwfFrame();
                m_movie.leftOut.unrunScriptFrames += unrun;
                unrun = false;
            } else if (code == kFrameLabel) {
                SwfReader tag(r.Data() + start, length);
                timeline.labels.emplace_back(tag.String(), static_cast<int>(timeline.frames.size()));
                timeline.labelFrames.emplace(SwfLabelKey(timeline.labels.back().first),
                                             timeline.labels.back().second);
            } else {
                SwfReader tag(r.Data() + start, length);
                Tag(code, tag, frame, root, unrun);
                if (tag.Overrun()) ++m_movie.damagedTags;
                if (m_budget.exhausted) MovieCut(SwfCut::TooManyShapes);
            }
            r.Seek(start + length);
        }
        // Placements after the last ShowFrame still show in a movie that has no frame.
        if (timeline.frames.empty() && !frame.tags.empty()) {
            timeline.frames.push_back(std::move(frame));
            m_movie.leftOut.unrunScriptFrames += unrun;
        }
    }

private:
    void MovieCut(SwfCut why) {
        if (m_movie.cut == SwfCut::None) m_movie.cut = why;
    }

    bool Define(std::uint16_t id, SwfKind kind, std::size_t index) {
        // A second definition of an id is ignored, as players do.
        return m_movie.dictionary.emplace(id, SwfCharacter{kind, static_cast<std::uint32_t>(index)}).second;
    }

    void Tag(unsigned code, SwfReader& r, SwfFrame& frame, bool root, bool& unrun) {
        switch (code) {
        case kPlaceObject:
        case kPlaceObject2:
        case kPlaceObject3: Place(code, r, frame); return;
        case kRemoveObject:
        case kRemoveObject2: {
            SwfControl c;
            c.kind = SwfControl::Kind::Remove;
            if (code == kRemoveObject) r.U16();
            c.place.depth = r.U16();
            if (!r.Overrun()) frame.tags.push_back(c);
            return;
        }
        case kSetBackgroundColor: {
            SwfControl c;
            c.kind = SwfControl::Kind::Background;
            c.color = r.Rgb();
            if (!r.Overrun()) frame.tags.push_back(c);
            return;
        }
        case kDoAction: {
            SwfControl c;
            c.kind = SwfControl::Kind::Actions;
            c.block = AddActions(r);
            unrun = unrun || !m_movie.actions[c.block].complete;
            frame.tags.push_back(c);
            return;
        }
        case kDoInitAction: {
            // The sprite it is for, then the list: run once, when its frame is first reached.
            r.U16();
            SwfControl c;
            c.kind = SwfControl::Kind::InitActions;
            c.block = AddActions(r);
            unrun = true;
            if (!r.Overrun()) frame.tags.push_back(c);
            return;
        }
        case kDoAbc:
        case kDoAbcOld:
            unrun = true;
            return;
        case kDefineSound:
        case kStartSound:
        case kStartSound2:
        case kSoundStreamHead:
        case kSoundStreamHead2: ++m_movie.leftOut.sounds; return;
        case kDefineVideoStream: ++m_movie.leftOut.videos; return;
        case kSoundStreamBlock:
        case kVideoFrame: return;
        case kFileAttributes: m_movie.actionScript3 = (r.U8() & 0x08) != 0; return;
        default: break;
        }
        if (!root) return;  // definitions belong to the root timeline
        switch (code) {
        case kDefineShape: Shape(r, 1); break;
        case kDefineShape2: Shape(r, 2); break;
        case kDefineShape3: Shape(r, 3); break;
        case kDefineShape4: Shape(r, 4); break;
        case kDefineMorphShape: Morph(r, 1); break;
        case kDefineMorphShape2: Morph(r, 2); break;
        case kDefineSprite: Sprite(r); break;
        case kJpegTables: m_jpegTables.assign(r.Data(), r.Data() + r.Size()); break;
        case kDefineBits:
        case kDefineBitsJpeg2:
        case kDefineBitsJpeg3:
        case kDefineBitsJpeg4: Jpeg(code, r); break;
        case kDefineBitsLossless:
        case kDefineBitsLossless2: Lossless(code == kDefineBitsLossless2, r); break;
        case kDefineFont: Font1(r); break;
        case kDefineFont2:
        case kDefineFont3: Font2(r, code == kDefineFont3); break;
        case kDefineText:
        case kDefineText2: Text(r, code == kDefineText2); break;
        case kDefineButton:
        case kDefineButton2: Button(r, code == kDefineButton2); break;
        case kDefineEditText: EditText(r); break;
        case kExportAssets: Exports(r); break;
        default: break;
        }
    }

    // The names attachMovie finds symbols by; the first of a name stays.
    void Exports(SwfReader& r) {
        const std::uint16_t count = r.U16();
        for (std::uint16_t i = 0; i < count && r.Remaining() > 2; ++i) {
            const std::uint16_t id = r.U16();
            const std::string name = r.String();
            if (m_movie.exports.size() < kMaxExports) m_movie.exports.emplace(SwfLabelKey(name), id);
        }
    }

    void Place(unsigned code, SwfReader& r, SwfFrame& frame) {
        SwfControl c;
        SwfPlace& p = c.place;
        if (code == kPlaceObject) {
            p.character = r.U16();
            p.depth = r.U16();
            p.matrix = r.Matrix();
            if (r.Remaining() > 0) p.colorTransform = r.ColorTransform(false);
        } else {
            const std::uint8_t flags = r.U8();
            std::uint8_t flags2 = 0;
            if (code == kPlaceObject3) flags2 = r.U8();
            p.depth = r.U16();
            p.move = flags & 0x01;
            // A bitmap placed by its id (HasImage with HasCharacter) brings
            // no class name in the movies players accept; only the flag does.
            if (flags2 & 0x08) r.String();
            if (flags & 0x02) p.character = r.U16();
            if (flags & 0x04) p.matrix = r.Matrix();
            if (flags & 0x08) p.colorTransform = r.ColorTransform(true);
            if (flags & 0x10) p.ratio = r.U16();
            if (flags & 0x20) p.name = r.String();
            if (flags & 0x40) p.clipDepth = r.U16();
            if (flags2 & 0x01) {
                auto list = std::make_shared<SwfFilterList>();
                if (!ReadFilterList(r, *list, m_filtersLeft)) {
                    // Nothing after an unreadable list can be found; what came before still places.
                    frame.tags.push_back(c);
                    return;
                }
                m_filtersLeft -= std::min(m_filtersLeft, list->size());
                p.filters = list->empty() ? nullptr : std::shared_ptr<const SwfFilterList>(std::move(list));
            }
            if (flags2 & 0x02) p.blend = RasterBlendFromSwf(r.U8());
            if (flags2 & 0x04) p.cacheAsBitmap = r.U8() != 0;
            if (flags2 & 0x20) p.visible = r.U8() != 0;
            if (flags2 & 0x40) p.background = r.Rgba();
            if ((flags & 0x80) && !r.Overrun()) p.clipActions = ClipActions(r);
        }
        if (!r.Overrun()) frame.tags.push_back(c);
    }

    // The handlers of a placement: event flags of 16 bits before version 6,
    // 32 from it, each with its list's size; a list's end is its own.
    std::shared_ptr<const std::vector<SwfClipAction>> ClipActions(SwfReader& r) {
        const bool wide = m_movie.version >= 6;
        auto flags = [&] { return wide ? r.U32() : std::uint32_t{r.U16()}; };
        r.U16();  // reserved
        flags();  // every event the handlers answer
        auto list = std::make_shared<std::vector<SwfClipAction>>();
        for (int n = 0; n < kMostClipActions && !r.Overrun(); ++n) {
            SwfClipAction a;
            a.events = flags();
            if (!a.events || r.Overrun()) break;
            const std::uint32_t size = r.U32();
            const std::size_t end = std::min<std::size_t>(r.Size(), r.Position() + std::min<std::size_t>(size, r.Size()));
            if (a.events & kSwfEventKeyPress) a.key = r.U8();
            if (r.Overrun() || r.Position() > end) break;
            SwfReader actions(r.Data() + r.Position(), end - r.Position());
            a.block = AddActions(actions);
            list->push_back(a);
            r.Seek(end);
        }
        return list->empty() ? nullptr : std::shared_ptr<const std::vector<SwfClipAction>>(std::move(list));
    }

    void Shape(SwfReader& r, int version) {
        const std::uint16_t id = r.U16();
        if (m_movie.dictionary.count(id)) return;
        SwfShape shape = ReadShape(r, version, m_budget);
        if (r.Overrun()) shape.cut = true;
        Define(id, SwfKind::Shape, m_movie.shapes.size());
        m_movie.shapes.push_back(std::move(shape));
    }

    void Morph(SwfReader& r, int version) {
        const std::uint16_t id = r.U16();
        if (m_movie.dictionary.count(id)) return;
        SwfMorphShape morph = ReadMorphShape(r, version, m_budget);
        Define(id, SwfKind::Morph, m_movie.morphs.size());
        m_movie.morphs.push_back(std::move(morph));
    }

    void Sprite(SwfReader& r) {
        const std::uint16_t id = r.U16();
        r.U16();  // frame count: the frames are counted as they come
        if (m_movie.dictionary.count(id)) return;
        SwfTimeline timeline;
        SwfReader inner(r.Data() + r.Position(), r.Remaining());
        Tags(inner, timeline, false);
        Define(id, SwfKind::Sprite, m_movie.sprites.size());
        m_movie.sprites.push_back(std::move(timeline));
    }

    bool BitmapFits(int width, int height) {
        const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
        if (width <= 0 || height <= 0 || static_cast<std::uint32_t>(width) > m_limits.maxBitmapSide ||
            static_cast<std::uint32_t>(height) > m_limits.maxBitmapSide || pixels > m_limits.maxBitmapPixels ||
            m_bitmapPixels + pixels > m_limits.maxBitmapPixels) {
            ++m_movie.leftOut.largeBitmaps;
            return false;
        }
        m_bitmapPixels += pixels;
        return true;
    }

    void AddBitmap(std::uint16_t id, SwfBitmap bitmap) {
        if (m_movie.dictionary.count(id)) return;
        Define(id, SwfKind::Bitmap, m_movie.bitmaps.size());
        m_movie.bitmaps.push_back(std::move(bitmap));
    }

    void Jpeg(unsigned code, SwfReader& r) {
        const std::uint16_t id = r.U16();
        std::uint32_t alphaOffset = 0;
        if (code == kDefineBitsJpeg3 || code == kDefineBitsJpeg4) alphaOffset = r.U32();
        if (code == kDefineBitsJpeg4) r.U16();  // deblocking
        if (r.Overrun()) return;
        const unsigned char* data = r.Data() + r.Position();
        std::size_t size = r.Remaining();
        std::size_t alphaSize = 0;
        if (alphaOffset) {
            if (alphaOffset > size) return;
            alphaSize = size - alphaOffset;
            size = alphaOffset;
        }
        SwfBitmap bm;
        std::vector<unsigned char> bytes(data, data + size);
        bm.type = ImageTypeOf(bytes);
        if (code == kDefineBits || bm.type == SwfImageType::Jpeg || bm.type == SwfImageType::None) {
            bm.data = JoinJpeg(code == kDefineBits ? m_jpegTables : std::vector<unsigned char>(), data, size);
            bm.type = SwfImageType::Jpeg;
        } else {
            bm.data = std::move(bytes);
        }
        if (!ImageSize(bm.data, bm.width, bm.height) || !BitmapFits(bm.width, bm.height)) return;
        // PNG and GIF data carry their own alpha; the plane is for JPEG data.
        if (alphaSize && bm.type == SwfImageType::Jpeg) bm.alphaData.assign(data + size, data + size + alphaSize);
        AddBitmap(id, std::move(bm));
    }

    void Lossless(bool alpha, SwfReader& r) {
        const std::uint16_t id = r.U16();
        SwfBitmap bm;
        bm.lossless = true;
        bm.withAlpha = alpha;
        bm.format = r.U8();
        bm.width = r.U16();
        bm.height = r.U16();
        if (bm.format == 3) bm.tableSize = r.U8() + 1;
        if (r.Overrun() || (bm.format != 3 && bm.format != 4 && bm.format != 5)) return;
        if (!BitmapFits(bm.width, bm.height)) return;
        bm.data.assign(r.Data() + r.Position(), r.Data() + r.Size());
        AddBitmap(id, std::move(bm));
    }

    // Glyphs from an offset table (relative to `tableAt`) of `count` entries.
    void Glyphs(SwfReader& r, std::size_t tableAt, const std::vector<std::uint32_t>& offsets, std::size_t end,
                SwfFont& font) {
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            SwfShape glyph;
            glyph.layers.emplace_back();
            // A glyph is filled with the text's colour: one solid fill style.
            glyph.layers[0].fills.push_back(SwfFillStyle());
            const std::size_t at = tableAt + offsets[i];
            if (at < end) {
                SwfReader g(r.Data() + at, end - at);
                ReadShapeRecords(g, 1, glyph, m_budget);
            }
            font.glyphs.push_back(std::move(glyph));
            if (m_budget.exhausted) return;
        }
    }

    bool GlyphBudget(std::size_t count) {
        if (count > m_glyphsLeft) {
            m_budget.exhausted = true;
            return false;
        }
        m_glyphsLeft -= count;
        return true;
    }

    void Font1(SwfReader& r) {
        const std::uint16_t id = r.U16();
        if (m_movie.dictionary.count(id)) return;
        const std::size_t tableAt = r.Position();
        const std::uint16_t first = r.U16();
        const std::size_t count = first / 2;
        if (r.Overrun() || !GlyphBudget(count)) return;
        std::vector<std::uint32_t> offsets(count);
        r.Seek(tableAt);
        for (std::size_t i = 0; i < count; ++i) offsets[i] = r.U16();
        SwfFont font;
        Glyphs(r, tableAt, offsets, r.Size(), font);
        Define(id, SwfKind::Font, m_movie.fonts.size());
        m_movie.fonts.push_back(std::move(font));
    }

    void Font2(SwfReader& r, bool font3) {
        const std::uint16_t id = r.U16();
        if (m_movie.dictionary.count(id)) return;
        const std::uint8_t flags = r.U8();
        const bool wideOffsets = (flags & 0x08) != 0;
        r.U8();  // language
        std::string name;
        for (std::size_t n = r.U8(); n > 0 && !r.Overrun(); --n) name += static_cast<char>(r.U8());
        // Names are stored with a terminating zero by some tools.
        while (!name.empty() && name.back() == '\0') name.pop_back();
        const std::size_t count = r.U16();
        if (r.Overrun() || !GlyphBudget(count)) return;
        const std::size_t tableAt = r.Position();
        std::vector<std::uint32_t> offsets(count);
        for (std::size_t i = 0; i < count; ++i) offsets[i] = wideOffsets ? r.U32() : r.U16();
        const std::uint32_t codeTable = wideOffsets ? r.U32() : r.U16();
        if (r.Overrun()) return;
        SwfFont font;
        font.emSquare = font3 ? 20480 : 1024;
        font.name = std::move(name);
        font.bold = (flags & 0x01) != 0;
        font.italic = (flags & 0x02) != 0;
        Glyphs(r, tableAt, offsets, std::min<std::size_t>(r.Size(), tableAt + codeTable), font);
        // The code table and the layout follow the glyphs; a font without them is still drawn by DefineText.
        r.Seek(tableAt + codeTable);
        const bool wideCodes = (flags & 0x04) != 0;
        for (std::size_t i = 0; i < count && !r.Overrun(); ++i) font.codes.push_back(wideCodes ? r.U16() : r.U8());
        if (flags & 0x80) {
            font.ascent = r.U16();
            font.descent = r.U16();
            font.leading = r.S16();
            for (std::size_t i = 0; i < count && !r.Overrun(); ++i) font.advances.push_back(r.S16());
        }
        if (r.Overrun()) {
            font.codes.resize(std::min(font.codes.size(), font.glyphs.size()));
            if (font.advances.size() != count) font.advances.clear();
        }
        Define(id, SwfKind::Font, m_movie.fonts.size());
        m_movie.fonts.push_back(std::move(font));
    }

    void Text(SwfReader& r, bool text2) {
        const std::uint16_t id = r.U16();
        if (m_movie.dictionary.count(id)) return;
        SwfText text;
        text.bounds = r.Rect();
        text.matrix = r.Matrix();
        const int glyphBits = r.U8(), advanceBits = r.U8();
        if (glyphBits > 32 || advanceBits > 32) return;
        SwfTextRun run;
        std::int32_t x = 0;
        while (!r.Overrun() && r.Remaining() > 0) {
            const std::uint8_t flags = r.U8();
            if (flags == 0) break;
            if (flags & 0x08) run.font = r.U16();
            if (flags & 0x04) run.color = text2 ? r.Rgba() : r.Rgb();
            if (flags & 0x01) x = r.S16();
            if (flags & 0x02) run.y = r.S16();
            if (flags & 0x08) run.height = r.U16();
            const std::size_t count = r.U8();
            if (!GlyphTextBudget(count)) break;
            run.glyphs.clear();
            for (std::size_t i = 0; i < count; ++i) {
                SwfGlyph g;
                g.index = static_cast<std::uint16_t>(r.Bits(glyphBits));
                g.x = x;
                x = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{x} + r.SignedBits(advanceBits),
                                                                        -(std::int64_t{1} << 30), std::int64_t{1} << 30));
                run.glyphs.push_back(g);
            }
            r.Align();
            if (r.Overrun()) break;
            text.runs.push_back(run);
        }
        Define(id, SwfKind::Text, m_movie.texts.size());
        m_movie.texts.push_back(std::move(text));
    }

    // An edit text drawn with its font's embedded glyphs, laid out as a
    // static text; one that uses a system font is counted and not drawn.
    void EditText(SwfReader& r) {
        const std::uint16_t id = r.U16();
        if (m_movie.dictionary.count(id)) return;
        SwfText text;
        text.bounds = r.Rect();
        const std::uint8_t flags1 = r.U8(), flags2 = r.U8();
        SwfEditLayout e;
        if (flags1 & 0x01) e.font = r.U16();
        if (flags2 & 0x80) r.String();  // font class
        if (flags1 & 0x01) e.height = r.U16();
        if (flags1 & 0x04) e.color = r.Rgba();
        if (flags1 & 0x02) r.U16();  // maximum length
        if (flags2 & 0x20) {
            e.align = r.U8();
            e.leftMargin = r.U16();
            e.rightMargin = r.U16();
            e.indent = r.U16();
            e.leading = r.S16();
        }
        r.String();  // variable name
        std::string initial;
        if (flags1 & 0x80) initial = r.String();
        e.wordWrap = (flags1 & 0x40) != 0;
        e.multiline = (flags1 & 0x20) != 0;
        text.border = (flags2 & 0x08) != 0;
        const SwfCharacter* font = m_movie.Find(e.font);
        const bool outlines = (flags2 & 0x01) && (flags1 & 0x01) && font && font->kind == SwfKind::Font &&
                              !m_movie.fonts[font->index].glyphs.empty() && !m_movie.fonts[font->index].codes.empty();
        if (outlines) {
            LayOutEditText(text, e, (flags2 & 0x02) ? StyledHtml(initial, e) : Styled(initial, e));
        } else if (!initial.empty() || !(flags1 & 0x08)) {
            ++m_movie.leftOut.editTexts;
        }
        Define(id, SwfKind::Text, m_movie.texts.size());
        m_movie.texts.push_back(std::move(text));
    }

    struct SwfEditLayout {
        std::uint16_t font = 0, height = 240;
        SwfColor color{0, 0, 0, 255};
        int align = 0, leftMargin = 0, rightMargin = 0, indent = 0, leading = 0;
        bool wordWrap = false, multiline = false;
    };

    // The characters of the text: UTF-8 from version 6, bytes before.
    std::vector<std::uint32_t> Characters(const std::string& text) const {
        std::vector<std::uint32_t> out;
        for (std::size_t i = 0; i < text.size();) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (m_movie.version < 6 || c < 0x80) {
                out.push_back(c);
                ++i;
                continue;
            }
            const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
            std::uint32_t code = extra == 0 ? 0xFFFD : c & (0x3F >> extra);
            std::size_t j = i + 1;
            for (int k = 0; k < extra && j < text.size(); ++k, ++j) code = (code << 6) | (static_cast<unsigned char>(text[j]) & 0x3F);
            out.push_back(code);
            i = j;
        }
        return out;
    }

    // A character of an edit text with the style it is drawn in.
    struct StyledChar {
        std::uint32_t code = 0;  // '\n' ends a line
        std::uint16_t font = 0;
        std::uint16_t height = 0;
        SwfColor color;
        int align = 0;  // of its paragraph
    };

    std::vector<StyledChar> Styled(const std::string& text, const SwfEditLayout& e) const {
        std::vector<StyledChar> out;
        for (std::uint32_t c : Characters(text)) out.push_back({c, e.font, e.height, e.color, e.align});
        return out;
    }

    // The font of the field's family (or of `face`) in the given weight and
    // slant: the movie embeds each as a font of its own with the same name.
    std::uint16_t FaceFont(std::uint16_t fieldFont, const std::string& face, bool bold, bool italic) const {
        const SwfCharacter* field = m_movie.Find(fieldFont);
        const std::string family = !face.empty() ? face : field && field->kind == SwfKind::Font ? m_movie.fonts[field->index].name : "";
        auto same = [](const std::string& a, const std::string& b) {
            return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                       return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
                   });
        };
        std::uint16_t best = fieldFont;
        int bestScore = -1;
        for (const auto& [id, c] : m_movie.dictionary) {
            if (c.kind != SwfKind::Font) continue;
            const SwfFont& f = m_movie.fonts[c.index];
            if (f.glyphs.empty() || f.codes.empty() || family.empty() || !same(f.name, family)) continue;
            // The weight and slant asked for come first; the field's own font
            // only decides between faces that match as well.
            const int score = 2 * (f.bold == bold) + 2 * (f.italic == italic) + (id == fieldFont);
            if (score > bestScore) {
                best = id;
                bestScore = score;
            }
        }
        return best;
    }

    // A movie's HTML text as styled characters: <b>, <i>, <font face size
    // color>, <p align>, <br>, the common entities; other tags are dropped.
    std::vector<StyledChar> StyledHtml(const std::string& html, const SwfEditLayout& e) const {
        struct Style {
            std::string face;
            std::uint16_t height;
            SwfColor color;
        };
        std::vector<Style> fonts{{"", e.height, e.color}};
        int bold = 0, italic = 0, align = e.align;
        std::vector<StyledChar> out;
        std::string pending;
        auto flush = [&] {
            if (pending.empty()) return;
            const Style& st = fonts.back();
            const std::uint16_t font = FaceFont(e.font, st.face, bold > 0, italic > 0);
            for (std::uint32_t c : Characters(pending)) out.push_back({c, font, st.height, st.color, align});
            pending.clear();
        };
        auto attribute = [](const std::string& tag, const char* name) {
            const std::size_t at = tag.find(name);
            if (at == std::string::npos) return std::string();
            std::size_t v = at + std::strlen(name);
            while (v < tag.size() && (tag[v] == ' ' || tag[v] == '=')) ++v;
            const char quote = v < tag.size() && (tag[v] == '"' || tag[v] == '\'') ? tag[v++] : ' ';
            const std::size_t end = tag.find_first_of(quote == ' ' ? std::string(" >") : std::string(1, quote), v);
            return tag.substr(v, (end == std::string::npos ? tag.size() : end) - v);
        };
        // Hostile nesting must not grow the style stack without end.
        constexpr std::size_t kMaxNesting = 64;
        for (std::size_t i = 0; i < html.size();) {
            if (html[i] == '<') {
                const std::size_t end = html.find('>', i);
                std::string tag = html.substr(i + 1, (end == std::string::npos ? html.size() : end) - i - 1);
                std::string lower = tag;
                for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
                i = end == std::string::npos ? html.size() : end + 1;
                flush();
                const std::string name = lower.substr(0, lower.find(' '));
                if (name == "b") ++bold;
                else if (name == "/b") bold = std::max(0, bold - 1);
                else if (name == "i") ++italic;
                else if (name == "/i") italic = std::max(0, italic - 1);
                else if (name == "font" && fonts.size() < kMaxNesting) {
                    Style st = fonts.back();
                    const std::string face = attribute(tag, "face"), size = attribute(lower, "size"),
                                      color = attribute(lower, "color");
                    if (!face.empty()) st.face = face;
                    if (!size.empty() && std::isdigit(static_cast<unsigned char>(size[0])))
                        st.height = static_cast<std::uint16_t>(std::clamp(std::atoi(size.c_str()), 1, 3000) * 20);
                    if (color.size() == 7 && color[0] == '#') {
                        const unsigned long v = std::strtoul(color.c_str() + 1, nullptr, 16);
                        st.color = SwfColor{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                                            static_cast<std::uint8_t>(v), st.color.a};
                    }
                    fonts.push_back(st);
                } else if (name == "/font" && fonts.size() > 1) {
                    fonts.pop_back();
                } else if (name == "p") {
                    const std::string a = attribute(lower, "align");
                    align = a == "right" ? 1 : a == "center" ? 2 : a == "left" ? 0 : e.align;
                } else if ((name.rfind("br", 0) == 0 || name == "/p" || name == "/li") && !out.empty()) {
                    out.push_back({'\n', e.font, e.height, e.color, align});
                }
                continue;
            }
            if (html[i] == '&') {
                static const struct {
                    const char* name;
                    char c;
                } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}, {"&nbsp;", ' '}};
                bool matched = false;
                for (const auto& entity : kEntities) {
                    if (html.compare(i, std::strlen(entity.name), entity.name) == 0) {
                        pending += entity.c;
                        i += std::strlen(entity.name);
                        matched = true;
                        break;
                    }
                }
                if (matched) continue;
            }
            pending += html[i++];
        }
        flush();
        while (!out.empty() && out.back().code == '\n') out.pop_back();
        return out;
    }

    void LayOutEditText(SwfText& text, const SwfEditLayout& e, const std::vector<StyledChar>& chars) {
        // Glyphs and metrics of each font the text uses.
        struct Face {
            const SwfFont* font = nullptr;
            std::unordered_map<std::uint32_t, std::uint16_t> glyphOf;
        };
        std::unordered_map<std::uint16_t, Face> faces;
        auto face = [&](std::uint16_t id) -> const Face& {
            auto it = faces.find(id);
            if (it != faces.end()) return it->second;
            Face& f = faces[id];
            const SwfCharacter* c = m_movie.Find(id);
            if (c && c->kind == SwfKind::Font) {
                f.font = &m_movie.fonts[c->index];
                for (std::size_t i = 0; i < f.font->codes.size() && i < f.font->glyphs.size(); ++i)
                    f.glyphOf.emplace(f.font->codes[i], static_cast<std::uint16_t>(i));
            }
            return f;
        };
        auto glyph = [&](const StyledChar& c) -> std::uint16_t {
            const Face& f = face(c.font);
            const auto g = f.glyphOf.find(c.code);
            return g == f.glyphOf.end() ? 0xFFFF : g->second;
        };
        auto advance = [&](const StyledChar& c) {
            const Face& f = face(c.font);
            const std::uint16_t g = glyph(c);
            if (f.font && g < f.font->advances.size()) return f.font->advances[g] * (c.height / f.font->emSquare);
            return (c.code == ' ' ? 0.3 : 0.6) * c.height;  // a font without a layout: a plausible width
        };
        auto ascentOf = [&](const StyledChar& c) {
            const Face& f = face(c.font);
            return f.font && f.font->ascent ? f.font->ascent * (c.height / f.font->emSquare) : c.height * 0.8;
        };
        auto descentOf = [&](const StyledChar& c) {
            const Face& f = face(c.font);
            return f.font && f.font->ascent ? f.font->descent * (c.height / f.font->emSquare) : c.height * 0.2;
        };
        // Flash keeps a two-pixel gutter inside the field.
        const double left = text.bounds.xMin + 40 + e.leftMargin;
        const double width = std::max(0.0, static_cast<double>(text.bounds.xMax - text.bounds.xMin) - 80 -
                                               e.leftMargin - e.rightMargin);
        std::vector<std::vector<StyledChar>> lines(1);
        double lineWidth = 0;
        for (std::size_t i = 0; i < chars.size(); ++i) {
            const StyledChar& c = chars[i];
            if (c.code == '\r' || c.code == '\n') {
                if (c.code == '\r' && i + 1 < chars.size() && chars[i + 1].code == '\n') ++i;
                if (!e.multiline) continue;
                lines.emplace_back();
                lineWidth = 0;
                continue;
            }
            const double w = advance(c);
            // Word wrap breaks at the last space of a line that a word runs
            // over; spaces themselves may hang past the edge.
            if (e.wordWrap && e.multiline && c.code != ' ' && lineWidth + w > width && !lines.back().empty()) {
                std::vector<StyledChar>& line = lines.back();
                const auto space = std::find_if(line.rbegin(), line.rend(), [](const StyledChar& k) { return k.code == ' '; });
                std::vector<StyledChar> carried;
                if (space != line.rend()) {
                    carried.assign(space.base(), line.end());
                    line.erase(space.base() - 1, line.end());
                }
                lines.push_back(carried);
                lineWidth = 0;
                for (const StyledChar& k : carried) lineWidth += advance(k);
            }
            lines.back().push_back(c);
            lineWidth += w;
        }
        StyledChar plain{' ', e.font, e.height, e.color, e.align};
        double top = text.bounds.yMin + 40;
        for (std::size_t n = 0; n < lines.size(); ++n) {
            const std::vector<StyledChar>& line = lines[n];
            // A line is as tall as its tallest style; an empty one as the field's.
            double ascent = line.empty() ? ascentOf(plain) : 0, descent = line.empty() ? descentOf(plain) : 0, total = 0;
            for (const StyledChar& c : line) {
                ascent = std::max(ascent, ascentOf(c));
                descent = std::max(descent, descentOf(c));
            }
            if (top > text.bounds.yMax) break;  // the field shows no more
            const double baseline = top + ascent;
            for (const StyledChar& c : line) total += advance(c);
            const int align = line.empty() ? e.align : line.front().align;
            const double offset = align == 1 ? width - total : align == 2 ? (width - total) / 2 : 0;
            double x = 0;
            std::size_t glyphs = 0;
            std::vector<SwfTextRun> runs;
            SwfTextRun run;
            for (std::size_t k = 0; k < line.size(); ++k) {
                const StyledChar& c = line[k];
                if (k == 0 || c.font != run.font || c.height != run.height || !(c.color == run.color)) {
                    if (!run.glyphs.empty()) runs.push_back(std::move(run));
                    run = SwfTextRun();
                    run.font = c.font;
                    run.color = c.color;
                    run.height = c.height;
                    run.y = static_cast<std::int32_t>(std::lround(baseline));
                }
                const std::uint16_t g = glyph(c);
                if (g != 0xFFFF && c.code != ' ') {
                    run.glyphs.push_back({g, static_cast<std::int32_t>(std::lround(left + e.indent * (n == 0) + offset + x))});
                    ++glyphs;
                }
                x += advance(c);
            }
            if (!GlyphTextBudget(glyphs)) break;
            if (!run.glyphs.empty()) runs.push_back(std::move(run));
            for (SwfTextRun& r : runs) text.runs.push_back(std::move(r));
            top = baseline + descent + e.leading;
        }
    }

    bool GlyphTextBudget(std::size_t count) {
        if (count > m_textGlyphsLeft) {
            m_budget.exhausted = true;
            return false;
        }
        m_textGlyphsLeft -= count;
        return true;
    }

    void Button(SwfReader& r, bool button2) {
        const std::uint16_t id = r.U16();
        if (m_movie.dictionary.count(id)) return;
        std::size_t actionsAt = 0;
        if (button2) {
            r.U8();
            const std::size_t offsetAt = r.Position();
            const std::uint16_t offset = r.U16();
            if (offset) actionsAt = offsetAt + offset;
        }
        SwfButton button;
        std::size_t parts = 0;
        while (!r.Overrun() && r.Remaining() > 0) {
            const std::uint8_t flags = r.U8();
            if (flags == 0) break;
            SwfButtonPart part;
            part.character = r.U16();
            part.depth = r.U16();
            part.matrix = r.Matrix();
            if (button2) {
                part.colorTransform = r.ColorTransform(true);
                // A button part's filters are read past: buttons draw their parts plainly.
                SwfFilterList unused;
                if ((flags & 0x10) && !ReadFilterList(r, unused, 0)) break;
                if (flags & 0x20) r.U8();
            }
            if (r.Overrun()) break;
            if (flags & 0x01) button.up.push_back(part);
            if (flags & 0x02) button.over.push_back(part);
            if (flags & 0x04) button.down.push_back(part);
            if (flags & 0x08) button.hit.push_back(part);
            if (++parts > 1000) break;
        }
        for (auto* state : {&button.up, &button.over, &button.down, &button.hit})
            std::stable_sort(state->begin(), state->end(),
                             [](const SwfButtonPart& a, const SwfButtonPart& b) { return a.depth < b.depth; });
        if (!button2 && !r.Overrun()) {
            // DefineButton's one action list runs when a click ends over it.
            button.release.push_back(AddActions(r));
        } else if (actionsAt) {
            ButtonConditions(r, actionsAt, button);
        }
        Define(id, SwfKind::Button, m_movie.buttons.size());
        m_movie.buttons.push_back(std::move(button));
    }

    // DefineButton2's condition records: the lists for a release over the
    // button (OverDownToOverUp) are kept, others are not run.
    void ButtonConditions(SwfReader& r, std::size_t at, SwfButton& button) {
        for (int n = 0; n < 256 && at + 4 <= r.Size(); ++n) {
            r.Seek(at);
            const std::uint16_t next = r.U16();
            const std::uint8_t conditions = r.U8();
            r.U8();  // key presses and OverDownToIdle
            const std::size_t end = next ? std::min(r.Size(), at + next) : r.Size();
            if (conditions & 0x08) {
                SwfReader actions(r.Data() + r.Position(), end > r.Position() ? end - r.Position() : 0);
                button.release.push_back(AddActions(actions));
            }
            if (!next) break;
            at += next;
        }
    }

    std::uint32_t AddActions(SwfReader& r) {
        m_movie.actions.push_back(ReadActionBlock(r, m_actionsLeft));
        return static_cast<std::uint32_t>(m_movie.actions.size() - 1);
    }

    const SwfLimits& m_limits;
    SwfMovie& m_movie;
    SwfShapeBudget m_budget;
    std::vector<unsigned char> m_jpegTables;
    std::uint64_t m_bitmapPixels = 0;
    std::size_t m_glyphsLeft = m_limits.maxGlyphs;
    std::size_t m_textGlyphsLeft = m_limits.maxTextGlyphs;
    std::size_t m_filtersLeft = m_limits.maxFilters;
    std::uint64_t m_actionsLeft = m_limits.maxActions;
};

}  // namespace

void ParseSwfBody(const unsigned char* body, std::size_t size, int version, const SwfLimits& limits, SwfMovie& movie) {
    movie.version = version;
    SwfReader r(body, size);
    movie.stage = r.Rect();
    const std::uint16_t rate = r.U16();
    movie.frameRate = rate / 256.0;
    movie.declaredFrames = r.U16();
    if (r.Overrun()) {
        if (movie.cut == SwfCut::None) movie.cut = SwfCut::CutShort;
        return;
    }
    Parser parser(limits, movie);
    SwfReader tags(body + r.Position(), size - r.Position());
    parser.Tags(tags, movie.root, true);
}

std::shared_ptr<SwfMovie> LoadSwfMovie(ByteSource& source, const SwfLimits& limits) {
    auto movie = std::make_shared<SwfMovie>();
    SwfBody body = ReadSwfBody(source, limits.maxBody);
    switch (body.info.stop) {
    case SwfStop::NotAMovie: movie->cut = SwfCut::NotAMovie; return movie;
    case SwfStop::BadCompressedData: movie->cut = SwfCut::BadCompressedData; break;
    case SwfStop::InflateLimit: movie->cut = SwfCut::TooLarge; break;
    case SwfStop::CutShort:
        if (body.bytes.empty()) {
            movie->cut = SwfCut::CutShort;
            return movie;
        }
        break;
    case SwfStop::FirstFrame: break;
    }
    const SwfCut before = movie->cut;
    movie->cut = SwfCut::None;
    ParseSwfBody(body.bytes.data(), body.bytes.size(), body.info.version.value_or(0), limits, *movie);
    // The reason the data ended comes before what parsing made of it.
    if (before != SwfCut::None) movie->cut = before;
    return movie;
}

}  // namespace fh
