#include "player/movie_card.h"

#include "base/dpi.h"

#include <algorithm>
#include <cstdio>

namespace fh {

namespace {

std::string Number(std::int64_t value) { return std::to_string(value); }

std::string Rate(double fps) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f fps", fps);
    return text;
}

}  // namespace

std::vector<CardLine> MovieCardLines(const SwfHeaderInfo& info, const CardTexts& texts, const std::string& sizeText,
                                     const std::string& title, const std::string& sha256) {
    std::vector<CardLine> lines;
    // Sixteen digits tell movies apart on sight; the CSV has all 64.
    auto addHash = [&] {
        if (!sha256.empty()) lines.push_back({texts.sha256, sha256.substr(0, 16)});
    };
    if (!info.IsMovie()) {
        lines.push_back({texts.notAMovie, std::string()});
        if (!sizeText.empty()) lines.push_back({texts.fileSize, sizeText + texts.bytes});
        addHash();
        return lines;
    }
    if (!title.empty()) lines.push_back({texts.title, title});
    if (info.version) lines.push_back({texts.version, Number(*info.version)});
    const char* method = info.compression == SwfCompression::Zlib   ? "zlib"
                         : info.compression == SwfCompression::Lzma ? "LZMA"
                                                                    : nullptr;
    lines.push_back({texts.compression, method ? std::string(method) : texts.none});
    if (info.hasStage)
        lines.push_back({texts.stage, Number(info.StageWidthPixels()) + " x " + Number(info.StageHeightPixels())});
    if (info.frameRate) lines.push_back({texts.frameRate, Rate(info.FramesPerSecond())});
    if (info.frameCount) lines.push_back({texts.frameCount, Number(*info.frameCount)});
    if (!sizeText.empty()) lines.push_back({texts.fileSize, sizeText + texts.bytes});
    addHash();
    if (info.actionScript3) lines.push_back({texts.actionScript3, *info.actionScript3 ? texts.yes : texts.no});
    switch (info.stop) {
    case SwfStop::CutShort:
        lines.push_back({texts.cutShort, std::string()});
        break;
    case SwfStop::BadCompressedData:
        lines.push_back({texts.corrupt, std::string()});
        break;
    case SwfStop::InflateLimit:
        lines.push_back({texts.tooLarge, std::string()});
        break;
    default:
        break;
    }
    return lines;
}

namespace {

std::string Counted(const std::string& format, int count) {
    std::vector<char> out(format.size() + 32);
    std::snprintf(out.data(), out.size(), format.c_str(), count);
    return out.data();
}

}  // namespace

std::vector<CardLine> PlaybackCardLines(const SwfMovie& movie, const PlaybackState& state, const PlaybackTexts& texts,
                                        bool headerSaid) {
    std::vector<CardLine> lines;
    lines.push_back({texts.frame, Number(state.frame) + " / " + Number(state.frameCount) + (state.paused ? texts.paused : "")});
    if (state.scriptsCut > 0) lines.push_back({texts.scripts, Counted(texts.scriptsCut, static_cast<int>(state.scriptsCut))});
    std::string left;
    auto add = [&](int count, const std::string& format) {
        if (count <= 0) return;
        if (!left.empty()) left += ", ";
        left += Counted(format, count);
    };
    add(movie.leftOut.editTexts, texts.editTexts);
    add(movie.leftOut.sounds, texts.sounds);
    add(movie.leftOut.videos, texts.videos);
    add(movie.leftOut.largeBitmaps, texts.largeBitmaps);
    if (!left.empty()) lines.push_back({texts.leftOut, left});
    const char* none = "";
    switch (movie.cut) {
    case SwfCut::TooManyTags: lines.push_back({texts.tooManyTags, none}); break;
    case SwfCut::TooManyShapes: lines.push_back({texts.tooManyShapes, none}); break;
    case SwfCut::TooLarge: lines.push_back({texts.tooLarge, none}); break;
    case SwfCut::CutShort:
        if (!headerSaid) lines.push_back({texts.cutShort, none});
        break;
    case SwfCut::BadCompressedData:
        if (!headerSaid) lines.push_back({texts.corrupt, none});
        break;
    case SwfCut::None:
    case SwfCut::NotAMovie: break;
    }
    if (movie.damagedTags > 0) lines.push_back({texts.damaged, none});
    if (state.drawCut) lines.push_back({texts.drawLimit, none});
    return lines;
}

CardLayout LayOutCard(int clientWidth, int clientHeight, int lineHeight, int lineCount, bool hasStage,
                      std::int64_t stageWidth, std::int64_t stageHeight, int dpi) {
    CardLayout card;
    card.margin = ScaleForDpi(8, dpi);
    card.textTop = card.margin;
    if (!hasStage) return card;
    const StageBox box = FitStage(clientWidth - 2 * card.margin,
                                  clientHeight - lineHeight * lineCount - 3 * card.margin, stageWidth, stageHeight);
    if (box.width <= 0) return card;
    card.left = (clientWidth - box.width) / 2;
    card.top = card.margin;
    card.width = box.width;
    card.height = box.height;
    card.textTop = card.top + card.height + card.margin;
    return card;
}

StageBox FitStage(int areaWidth, int areaHeight, std::int64_t stageWidth, std::int64_t stageHeight) {
    if (areaWidth <= 0 || areaHeight <= 0) return {};
    // Ratios beyond 100:1 are no picture of a stage; they draw as 4:3.
    if (stageWidth <= 0 || stageHeight <= 0 || stageWidth > 100 * stageHeight || stageHeight > 100 * stageWidth) {
        stageWidth = 4;
        stageHeight = 3;
    }
    std::int64_t width = areaWidth;
    std::int64_t height = width * stageHeight / stageWidth;
    if (height > areaHeight) {
        height = areaHeight;
        width = height * stageWidth / stageHeight;
    }
    return {static_cast<int>(std::max<std::int64_t>(1, width)), static_cast<int>(std::max<std::int64_t>(1, height))};
}

}  // namespace fh
