// The markup scanner, the style sheet and the layout over any body; and
// outside text escaped for a body always shows exactly as it was.

#include "fuzz/fuzz_util.h"
#include "html/html_layout.h"
#include "html/html_markup.h"
#include "support/fake_canvas.h"
#include "support/fake_metrics.h"

namespace {

struct Collect : fh::HtmlEventSink {
    std::string text;
    int others = 0;
    void OnText(std::string_view run, const fh::HtmlStyle&) override { text += run; }
    void OnRule(const fh::HtmlAttributes&, const fh::HtmlStyle&) override { ++others; }
    void OnLineBreak(int, const fh::HtmlStyle&) override { ++others; }
    void OnTab(int, const fh::HtmlStyle&) override { ++others; }
    void OnPicture(fh::HtmlTagKind, const fh::HtmlAttributes&, const fh::HtmlStyle&) override { ++others; }
    void OnString(std::string_view, const fh::HtmlStyle&) override { ++others; }
    void OnTable(std::string_view, const fh::HtmlStyle&) override { ++others; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fh;
    if (size > 4096) return 0;
    const std::string input = fuzz::Text(data, size);
    for (const CodePage& cp : {CodePage::Korean(), CodePage::Japanese()}) {
        test::FakeMetrics metrics;
        HtmlStyleSheet sheet(metrics, cp);
        // The first line is a style sheet, the rest a body.
        const std::size_t cut = input.find('\n');
        sheet.Load(input.substr(0, cut == std::string::npos ? 0 : cut));
        CHtmlScanner scanner(sheet, [](unsigned id) { return id == 7 ? std::string("seven") : std::string(); });
        test::FakeCanvas canvas;
        HtmlLayoutEngine engine(scanner, sheet, canvas);
        engine.SetMaxWidth(static_cast<int>(size % 300));
        const std::string body = PreProcessHtml(input, true, cp);
        const HtmlSize measured = engine.Measure(body);
        engine.Draw(body, HtmlRect{0, 0, measured.width, measured.height});

        // Printable ASCII escaped shows as itself, as text and nothing else.
        std::string plain;
        for (char c : input)
            if (c >= 0x20 && c < 0x7F) plain += c;
        Collect collect;
        scanner.ScanBody(PreProcessHtml(EscapeHtmlText(plain, cp), true, cp), collect);
        fuzz::Require(collect.text == plain && collect.others == 0, "escaped text shows literally");
    }
    return 0;
}
