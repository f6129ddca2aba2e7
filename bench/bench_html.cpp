// Benchmarks of the HTML renderer: the longest tooltip text measured and
// drawn into a memory DC, bodies of mixed markup at three sizes (the time
// should grow with the size, no faster), and a large table with spans.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "html/html_renderer.h"
#include "res/resource.h"
#include "win/gdi.h"
#include "win/handles.h"
#include "win/platform.h"

namespace fh::bench {

namespace {

std::string MixedBody(std::size_t bytes) {
    const char* const parts[] = {
        "Plain text with words that wrap ", "<b>bold</b> ", "<i>italic <u>under</u></i> ",
        "<font color=red size=3>red</font> ", "&lt;escaped&gt; &amp; ", "<br>", "<t>", "<h2>Heading</h2>",
        "<a href=\"http://example.com\">link</a> ", "<center>middle</center>", "\xB0\xA1\xB3\xAA ",
        "<table border=1 cellpadding=2><tr><td>a</td><td bgcolor=#eeeeee>b c</td></tr>"
        "<tr><td colspan=2>spanning cell</td></tr></table>",
        "<hr width=50%>", "<justify>justified words go here and there </justify>",
    };
    std::string body;
    for (std::size_t i = 0; body.size() < bytes; ++i) body += parts[i % (sizeof(parts) / sizeof(parts[0]))];
    return body;
}

}  // namespace

void BenchRenderer() {
    WindowDC screen(nullptr);
    UniqueDC dc(::CreateCompatibleDC(screen.Get()));
    UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), 800, 600));
    ScopedSelect select(dc.Get(), bitmap.Get());
    CHtmlRenderer renderer;
    const std::string tip = LoadResString(IDS_TIP_SITE);
    const double tipMs = MedianOfRuns(100, [&] {
        const SIZE size = renderer.Measure(dc.Get(), tip);
        renderer.Draw(dc.Get(), RECT{0, 0, size.cx, size.cy});
    });
    Report("string 158 measure + draw (median/100)", tipMs, -1, tip.size());

    renderer.SetMaxWidth(400);
    double previous = -1;
    for (std::size_t kb : {50, 100, 200}) {
        const std::string body = MixedBody(kb * 1024);
        const double ms = MedianMs([&] { renderer.Measure(dc.Get(), body); });
        char name[64];
        std::snprintf(name, sizeof(name), "measure %zu KB mixed body", kb);
        Report(name, ms, previous, body.size());
        previous = ms;
    }

    std::string table = "<table border=1 cellpadding=1>";
    for (int r = 0; r < 40; ++r) {
        table += "<tr>";
        for (int c = 0; c < 40; ++c) {
            if (r % 7 == 0 && c % 5 == 0) table += "<td colspan=2 rowspan=2>span</td>", ++c;
            else table += "<td>" + std::to_string(r * 40 + c) + "</td>";
        }
        table += "</tr>";
    }
    table += "</table>";
    renderer.SetMaxWidth(0);
    const double tableMs = MedianMs([&] { renderer.Measure(dc.Get(), table); });
    Report("measure 40 x 40 table with spans", tableMs, -1, 1600);
}

}  // namespace fh::bench
