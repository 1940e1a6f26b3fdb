// Prints how long the page scan takes over large pages: a 16 MB page of ordinary markup (text,
// links, images with srcset, scripts, styles, comments, references) and a few hostile ones.
// Figures only; nothing is asserted. Built and run by tools/html-scan-bench.sh.

#include <chrono>
#include <cstdio>
#include <string>

#include "mht/html_refs.h"

namespace {

std::string OrdinaryPage(size_t size) {
    std::string page =
        "<!DOCTYPE html><html><head><meta charset=utf-8><title>A &amp; B</title>"
        "<link rel=stylesheet href=/s.css><style>body{background:url(bg.png)}</style></head>"
        "<body>";
    for (int i = 0; page.size() < size; ++i) {
        std::string n = std::to_string(i);
        page += "<div class=\"item c" + n + "\" data-id=" + n + "><p>Some text &mdash; more "
                "words here, &#x4E2D;&#25991; and a <a href=\"/a/" + n + "?x=1&amp;y=2\">link</a>."
                "</p><img src=\"i" + n + ".png\" srcset=\"i" + n + "@2x.png 2x, i" + n +
                "@3x.png 3x\" alt=\"pic\" loading=lazy><!-- note " + n + " -->"
                "<script>var a" + n + " = '<div>' + 1 < 2;</script><span style=\"color:red\">"
                "x</span></div>\n";
    }
    return page + "</body></html>";
}

double Seconds(const std::string& page) {
    auto start = std::chrono::steady_clock::now();
    mht::HtmlScan scan = mht::ScanHtml(page);
    auto end = std::chrono::steady_clock::now();
    if (scan.refs.size() > 1000000) std::puts("");  // keeps the scan from being optimised out
    return std::chrono::duration<double>(end - start).count();
}

void Report(const char* what, const std::string& page) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        double s = Seconds(page);
        if (s < best) best = s;
    }
    std::printf("%-34s %6.1f MB  %7.3f s  %6.1f MB/s\n", what, page.size() / 1e6, best,
                page.size() / 1e6 / best);
}

}  // namespace

int main() {
    const size_t size = 16u << 20;
    Report("ordinary page", OrdinaryPage(size));
    Report("one tag, attributes a0..aN", "<img " + [&] {
        std::string s;
        for (int i = 0; s.size() < size; ++i) s += "a" + std::to_string(i) + "=1 ";
        return s;
    }() + ">");
    Report("one tag, the same attribute", "<img " + [&] {
        std::string s;
        while (s.size() < size) s += "a=1 ";
        return s;
    }() + ">");
    Report("nested <div>", [&] {
        std::string s;
        while (s.size() < size) s += "<div>";
        return s;
    }());
    Report("'<' and '&' text", std::string(size / 2, '<') + std::string(size / 2, '&'));
    Report("references in an attribute", "<img src=\"" + [&] {
        std::string s;
        while (s.size() < size) s += "&amp;&eacute;&#x80;&notin";
        return s;
    }() + "\">");
    return 0;
}
