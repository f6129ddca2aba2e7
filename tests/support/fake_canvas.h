#pragma once
// A canvas of fixed-width text (every byte 7 pixels wide, the font's height
// its size, its ascent three less) that records what is drawn, so layout
// results are exact. Justification spreads its extra pixels over the spaces
// of each call, the first ones getting the remainder.

#include <map>
#include <string>
#include <vector>

#include "html/html_layout.h"

namespace fh::test {

class FakeCanvas : public HtmlCanvas {
public:
    struct Text {
        int x, y;
        std::string text;
        int width;
    };
    struct Rule {
        int x1, y, x2, size;
    };
    struct Picture {
        int cell, x, y, width, height;
        unsigned effects;
    };
    struct Fill {
        HtmlRect rect;
        int effect;
    };
    struct Frame {
        HtmlRect rect;
        int style, width;
    };

    static constexpr int kCharWidth = 7;
    std::vector<Text> texts;
    std::vector<Rule> rules;
    std::vector<Picture> pictures;
    std::vector<Fill> fills;
    std::vector<Frame> frames;
    std::map<std::string, HtmlSize> pictureSizes;  // by file
    int fontSize = 13;

    void SetStyle(const HtmlStyle& style) override { fontSize = style.fontSize; }
    int FontHeight() override { return fontSize; }
    int FontAscent() override { return fontSize - 3; }
    HtmlSize TextExtent(std::string_view text) override {
        int width = static_cast<int>(text.size()) * kCharWidth;
        if (m_breaks > 0) {
            int spaces = 0;
            for (char c : text)
                if (c == ' ') ++spaces;
            for (int i = 0; i < spaces; ++i) width += m_extra / m_breaks + (i < m_extra % m_breaks ? 1 : 0);
        }
        return HtmlSize{width, fontSize};
    }
    void SetJustification(int extra, int breaks) override {
        m_extra = extra;
        m_breaks = breaks;
    }
    void DrawText(int x, int y, std::string_view text) override {
        texts.push_back({x, y, std::string(text), TextExtent(text).width});
    }
    void DrawOverline(int, int, int, HtmlColor, int) override {}
    void DrawRule(int x1, int y, int x2, HtmlColor, int size) override { rules.push_back({x1, y, x2, size}); }
    HtmlSize PictureSize(const HtmlPicture& picture, int requestedWidth, int requestedHeight) override {
        if (picture.kind == HtmlTagKind::Icon && picture.idres) return HtmlSize{requestedWidth, requestedHeight};
        auto it = pictureSizes.find(picture.file);
        return it == pictureSizes.end() ? HtmlSize{} : it->second;
    }
    void DrawPicture(const HtmlPicture&, int cell, int, int, int x, int y, int width, int height,
                     unsigned effects) override {
        pictures.push_back({cell, x, y, width, height, effects});
    }
    int SystemIconWidth() override { return 32; }
    int SystemIconHeight() override { return 32; }
    void FillBackground(const HtmlRect& rect, const HtmlStyle& style) override {
        fills.push_back({rect, style.backgroundEffect});
    }
    void FrameRect(const HtmlRect& rect, HtmlColor, HtmlColor, int style, int width) override {
        frames.push_back({rect, style, width});
    }
    void TileBackgroundPicture(const HtmlRect&, const std::string&) override {}

private:
    int m_extra = 0;
    int m_breaks = 0;
};

}  // namespace fh::test
