#include "mht/css_refs.h"
#include "mht/html_refs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using mht::RefKind;

namespace {

std::vector<std::string> Urls(const std::vector<mht::Reference>& refs) {
    std::vector<std::string> urls;
    for (const mht::Reference& r : refs) urls.push_back(r.url);
    return urls;
}

std::vector<std::string> UrlsOfKind(const std::vector<mht::Reference>& refs, RefKind kind) {
    std::vector<std::string> urls;
    for (const mht::Reference& r : refs) {
        if (r.kind == kind) urls.push_back(r.url);
    }
    return urls;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(CssRefsTest, FindsUrlsAndImportsInOrder) {
    const char css[] =
        "@import \"a.css\";\n@IMPORT url(b.css) screen;\n@import url( 'c.css' );\n"
        "body { background: URL( \"bg one.png\" ) no-repeat; }\n"
        "@font-face { src: url(f.woff2) format('woff2'), url('f.woff'); }\n"
        ".x { background-image: url(  plain.gif  ) }\n";
    std::vector<mht::Reference> refs = mht::FindCssRefs(css);
    EXPECT_EQ((Strings{"a.css", "b.css", "c.css"}), UrlsOfKind(refs, RefKind::kImport));
    EXPECT_EQ((Strings{"bg one.png", "f.woff2", "f.woff", "plain.gif"}),
              UrlsOfKind(refs, RefKind::kResource));
}

TEST(CssRefsTest, SkipsCommentsStringsAndLookalikes) {
    const char css[] =
        "/* url(commented.png) @import 'no.css'; */\n"
        "@import; .q:after { content: 'no-import.css'; }\n"
        ".a:after { content: \"url(in-string.png)\"; }\n"
        ".b { background: myurl(not.png); }\n"
        ".c { background: url(\"esc\\\"aped.png\"); }\n"
        ".d { background: url(hex\\2e png); }\n"
        ".e { background: url(bad\"quote.png); }\n"
        ".f { background: url(); }\n"
        ".g { background: url(last.png";  // unterminated at the end still counts
    EXPECT_EQ((Strings{"esc\"aped.png", "hex.png", "last.png"}), Urls(mht::FindCssRefs(css)));
}

TEST(HtmlRefsTest, FindsEveryKindInDocumentOrder) {
    const char html[] =
        "<html><head><link rel=stylesheet href=s.css><link rel=\"shortcut icon\" href=/fav.ico>"
        "<link rel='apple-touch-icon' href='touch.png'><link rel=canonical href=no.html>"
        "<style>@import 'imp.css'; p{background:url(p.png)}</style>"
        "<script src=app.js></script></head>"
        "<body background=body.jpg><img src=\"a.png\" srcset=\"a1.png 1x, a2.png 2x\">"
        "<picture><source srcset='w.webp 100w,w2.webp 200w'><img src=pic.png></picture>"
        "<input type=IMAGE src=btn.gif><input type=text src=no.gif><video poster=v.jpg></video>"
        "<object data=o.swf></object><embed src=e.swf>"
        "<svg><image href=s1.png /><image xlink:href=s2.png /></svg>"
        "<div style=\"background:url(&quot;d.png&quot;)\"></div>"
        "<iframe src=f.html></iframe><frame src=g.html><a href=link.html>x</a></body></html>";
    mht::HtmlScan scan = mht::ScanHtml(html);
    EXPECT_EQ((Strings{"s.css",    "/fav.ico", "touch.png", "imp.css", "p.png",  "app.js",
                       "body.jpg", "a.png",    "a1.png",    "a2.png",  "w.webp", "w2.webp",
                       "pic.png",  "btn.gif",  "v.jpg",     "o.swf",   "e.swf",  "s1.png",
                       "s2.png",   "d.png",    "f.html",    "g.html"}),
              Urls(scan.refs));
    EXPECT_EQ((Strings{"s.css"}), UrlsOfKind(scan.refs, RefKind::kStylesheet));
    EXPECT_EQ((Strings{"imp.css"}), UrlsOfKind(scan.refs, RefKind::kImport));
    EXPECT_EQ((Strings{"f.html", "g.html"}), UrlsOfKind(scan.refs, RefKind::kFrame));
}

TEST(HtmlRefsTest, ReadsMarkupAsBrowsersDo) {
    const char html[] =
        "<!DOCTYPE html><HTML><HEAD><BASE HREF=\" http://cdn/x/ \"><base href=second/>"
        "<!-- <img src=commented.png> --><!--> <img src=after-empty-comment.png>"
        "<IMG SRC='single.png' ALT=x><img\nsrc\n=\nspaced.png><img src=bare.png/>"
        "<img alt src=after-bare-attr.png><img src=\"&#x61;mp&amp;.png\" src=second.png>"
        "<script>document.write('<img src=in-script.png>')</script>"
        "<textarea><img src=in-textarea.png></textarea>"
        "<noscript><img src=in-noscript.png></noscript>"
        "<header><img src=in-header.png></header>";
    mht::HtmlScan scan = mht::ScanHtml(html);
    EXPECT_EQ((Strings{"after-empty-comment.png", "single.png", "spaced.png", "bare.png/",
                       "after-bare-attr.png", "amp&.png", "in-noscript.png", "in-header.png"}),
              Urls(scan.refs));
    EXPECT_TRUE(scan.hasBase);
    EXPECT_EQ("http://cdn/x/", scan.baseHref);
}

TEST(HtmlRefsTest, FindsTitleCharsetAndWhereAMetaGoes) {
    const char withHead[] =
        "<!doctype html><html lang=zh><head profile=x><svg><title>icon</title></svg>"
        "<title>\n  A &amp;  B\t</title><title>second</title>"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=GB2312\">"
        "<meta charset=utf-8></head>";
    mht::HtmlScan scan = mht::ScanHtml(withHead);
    EXPECT_EQ("A &amp; B", scan.title);
    EXPECT_EQ("gb2312", scan.charset);
    EXPECT_EQ(std::string(withHead).find("<svg>"), scan.metaInsertPos);

    EXPECT_EQ("utf-8", mht::ScanHtml("<meta charset='UTF-8'>").charset);
    EXPECT_EQ("", mht::ScanHtml("<meta name=x content='charset=gbk'>").charset);
    EXPECT_EQ(12u, mht::ScanHtml("<html a='>'><body>").metaInsertPos);
    EXPECT_EQ(15u, mht::ScanHtml("<!DOCTYPE html><p>x").metaInsertPos);
    EXPECT_EQ(0u, mht::ScanHtml("<p>no head").metaInsertPos);
    EXPECT_EQ(6u, mht::ScanHtml("<head><header><head>").metaInsertPos);
    // A tag the page ends in is dropped, as browsers drop it: a <meta> put after it would be
    // read as part of it.
    EXPECT_EQ(15u, mht::ScanHtml("<!DOCTYPE html>\n<html").metaInsertPos);
    EXPECT_EQ(0u, mht::ScanHtml("<!DOCTYPE html").metaInsertPos);
    EXPECT_TRUE(mht::ScanHtml("<p><img src=a.png").refs.empty());
    EXPECT_EQ("gbk", mht::ScanHtml("<meta charset='x<y'><meta charset=GBK>").charset);
}

TEST(HtmlRefsTest, SplitsSrcsetCandidates) {
    EXPECT_EQ((Strings{"a.png", "b,c.png", "d.png", "e.png"}),
              mht::SplitSrcset(" a.png 1x,b,c.png 2x ,d.png, e.png (max-width: 1px, x) 3x"));
    EXPECT_EQ((Strings{"only.png"}), mht::SplitSrcset("only.png"));
}

TEST(HtmlRefsTest, ScansAMegabyteWhole) {
    std::string html = "<html><head><title>t</title></head><body>";
    size_t rows = 0;
    while (html.size() < (1u << 20)) {
        html +=
            "<div class=\"row\" style=\"color:red\"><img src=\"i.png\" alt=\"x\"> text &amp; "
            "more text <a href=\"/l\">link</a><!-- c --></div>\n";
        ++rows;
    }
    mht::HtmlScan scan = mht::ScanHtml(html);
    EXPECT_EQ(rows, scan.refs.size());  // one image a row, to the very end
}
