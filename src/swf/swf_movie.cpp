#include "swf/swf_movie.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cmath>
#include <cstring>

#include "swf/swf_reader.h"
#include "swf/swf_script.h"
#include "swf/swf_text_layout.h"

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

    // The names attachMovie finds symbols by; a name exported again names
    // the later symbol, as in Flash.
    void Exports(SwfReader& r) {
        const std::uint16_t count = r.U16();
        for (std::uint16_t i = 0; i < count && r.Remaining() > 2; ++i) {
            const std::uint16_t id = r.U16();
            const std::string name = r.String();
            const auto known = m_movie.exports.find(SwfLabelKey(name));
            if (known != m_movie.exports.end()) {
                known->second = id;
                m_movie.exportNames[id] = name;
            } else if (m_movie.exports.size() < kMaxExports) {
                m_movie.exports.emplace(SwfLabelKey(name), id);
                m_movie.exportNames[id] = name;
            }
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
            // Handlers cut short by the tag's end (the tools have written
            // a 16-bit end flag where 32 belong) keep those read before.
            if ((flags & 0x80) && !r.Overrun()) {
                p.clipActions = ClipActions(r);
                frame.tags.push_back(c);
                return;
            }
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
            if (r.Overrun() || r.Position() > end || end - r.Position() < size - (a.events & kSwfEventKeyPress ? 1 : 0))
                break;
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

    // An edit text as defined, laid out once for its first look (with its
    // font's embedded glyphs); one that uses a system font is counted, as
    // nothing of it is drawn.
    void EditText(SwfReader& r) {
        const std::uint16_t id = r.U16();
        if (m_movie.dictionary.count(id)) return;
        SwfEditTextDef def;
        SwfEditText& f = def.field;
        f.bounds = r.Rect();
        const std::uint8_t flags1 = r.U8(), flags2 = r.U8();
        SwfTextFormat& format = f.newFormat;
        if (flags1 & 0x01) f.fontId = r.U16();
        if (flags2 & 0x80) r.String();  // font class
        if (flags1 & 0x01) format.size = r.U16() / 20.0;
        if (flags1 & 0x04) {
            const SwfColor c = r.Rgba();
            format.color = std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b;
        }
        if (flags1 & 0x02) f.maxChars = r.U16();
        if (flags2 & 0x20) {
            const std::uint8_t align = r.U8();
            format.align = align == 1 ? SwfAlign::Right : align == 2 ? SwfAlign::Center
                           : align == 3 ? SwfAlign::Justify : SwfAlign::Left;
            format.leftMargin = r.U16() / 20.0;
            format.rightMargin = r.U16() / 20.0;
            format.indent = r.U16() / 20.0;
            format.leading = r.S16() / 20.0;
        }
        f.variable = Local(r.String());
        std::string initial;
        if (flags1 & 0x80) initial = Local(r.String());
        f.wordWrap = (flags1 & 0x40) != 0;
        f.multiline = (flags1 & 0x20) != 0;
        f.password = (flags1 & 0x10) != 0;
        f.input = !(flags1 & 0x08);
        f.autoSizeFlag = (flags2 & 0x40) != 0;
        f.autoSize = f.autoSizeFlag ? SwfAutoSize::Left : SwfAutoSize::None;
        f.selectable = !(flags2 & 0x10);
        f.border = f.background = (flags2 & 0x08) != 0;
        f.html = (flags2 & 0x02) != 0;
        f.embedFonts = (flags2 & 0x01) != 0;
        const SwfCharacter* font = m_movie.Find(f.fontId);
        if (font && font->kind == SwfKind::Font && !m_movie.fonts[font->index].name.empty())
            format.font = m_movie.fonts[font->index].name;
        f.initialText = initial;
        if (f.html) {
            f.SetHtml(initial);
        } else {
            f.SetText(SwfUtf8ToChars(initial));
        }
        const bool outlines = f.embedFonts && font && font->kind == SwfKind::Font &&
                              !m_movie.fonts[font->index].glyphs.empty() && !m_movie.fonts[font->index].codes.empty();
        if (outlines) {
            SwfEditText laid = f;
            GlyphTextBudget(LayOutEditText(m_movie, laid, def.shown,
                                           static_cast<std::uint32_t>(std::min<std::size_t>(m_textGlyphsLeft, UINT32_MAX)))
                                .glyphs);
        } else {
            def.shown.bounds = f.bounds;
            def.shown.border = def.shown.background = f.border;
            if (!initial.empty() || !(flags1 & 0x08)) ++m_movie.leftOut.editTexts;
        }
        Define(id, SwfKind::EditText, m_movie.editTexts.size());
        m_movie.editTexts.push_back(std::move(def));
    }

    // Text of movies before version 6 is bytes: each stands for its Latin-1
    // character here, as UTF-8 (the player's code page is not known here).
    std::string Local(const std::string& text) const {
        if (m_movie.version >= 6) return text;
        std::u32string chars;
        for (char c : text) chars += static_cast<unsigned char>(c);
        return SwfCharsToUtf8(chars);
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
