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
        "<iframe src=f.html></iframe><a href=link.html>x</a></body></html>";
    mht::HtmlScan scan = mht::ScanHtml(html);
    // Of a srcset, the candidate a reader sees comes first (see SrcsetChoiceTest).
    EXPECT_EQ((Strings{"s.css", "/fav.ico", "touch.png", "imp.css", "p.png",  "app.js",  "body.jpg",
                       "a.png", "a2.png",   "a1.png",    "w2.webp", "w.webp", "pic.png", "btn.gif",
                       "v.jpg", "o.swf",    "e.swf",     "s1.png",  "s2.png", "d.png",   "f.html"}),
              Urls(scan.refs));
    EXPECT_EQ((Strings{"s.css"}), UrlsOfKind(scan.refs, RefKind::kStylesheet));
    EXPECT_EQ((Strings{"imp.css"}), UrlsOfKind(scan.refs, RefKind::kImport));
    EXPECT_EQ((Strings{"f.html"}), UrlsOfKind(scan.refs, RefKind::kFrame));
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

TEST(HtmlRefsTest, SrcdocFramesLendTheirResourcesToThePage) {
    // The frame's src is not loaded when srcdoc is there; its markup is entity-escaped, and
    // may itself hold a srcdoc frame, escaped once more.
    const char html[] =
        "<img src=before.png><iframe src=ignored.html srcdoc=\"<p style='background:url(bg.png)'>"
        "<img src=&quot;in%20frame.png&quot;><link rel=stylesheet href=&quot;f.css&quot;>"
        "<iframe srcdoc='&amp;lt;img src=deep.png&amp;gt;'></iframe>"
        "<iframe src=&quot;sub.html&quot;></iframe>\"></iframe><img src=after.png>";
    mht::HtmlScan scan = mht::ScanHtml(html);
    EXPECT_EQ((Strings{"before.png", "bg.png", "in%20frame.png", "f.css", "deep.png", "sub.html",
                       "after.png"}),
              Urls(scan.refs));
    EXPECT_EQ((Strings{"f.css"}), UrlsOfKind(scan.refs, RefKind::kStylesheet));
    EXPECT_EQ((Strings{"sub.html"}), UrlsOfKind(scan.refs, RefKind::kFrame));
    // Nesting is bounded: a page of srcdoc frames escaped ever deeper yields what the first
    // levels hold and ends.
    std::string nested = "<img src=x.png>";
    for (int level = 0; level < 12; ++level) {
        std::string escaped;
        for (char c : nested) {
            if (c == '&')
                escaped += "&amp;";
            else if (c == '<')
                escaped += "&lt;";
            else if (c == '"')
                escaped += "&quot;";
            else
                escaped += c;
        }
        nested = "<iframe srcdoc=\"" + escaped + "\"></iframe>";
    }
    EXPECT_TRUE(mht::ScanHtml(nested).refs.empty());
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
    html += "<img src=\"last.png\">";
    mht::HtmlScan scan = mht::ScanHtml(html);
    EXPECT_GT(rows, 8000u);
    // Each URL is given once, the last one at the very end included.
    EXPECT_EQ((Strings{"i.png", "last.png"}), Urls(scan.refs));
}

// A document yields a bounded list, however many references it holds: each URL once, at most
// kMaxDocumentRefs of them, none longer than kMaxReferenceBytes. The scan still reads the
// whole page for what is not a reference.
TEST(HtmlRefsTest, ReferencesOfOneDocumentAreBounded) {
    std::string srcset;
    for (int i = 0; i < 100000; ++i) srcset += "s" + std::to_string(i) + ".png 1x, ";
    std::string html = "<img srcset=\"" + srcset + "\"><base href=\"/b/\"><title>end</title>";
    mht::HtmlScan scan = mht::ScanHtml(html);
    ASSERT_EQ(mht::kMaxDocumentRefs, scan.refs.size());
    EXPECT_EQ("s0.png", scan.refs.front().url);
    EXPECT_EQ("s" + std::to_string(mht::kMaxDocumentRefs - 1) + ".png", scan.refs.back().url);
    EXPECT_TRUE(scan.hasBase);
    EXPECT_EQ("end", scan.title);

    // Repeats take no room: a new URL after 100,000 repeats is found, with the first kind seen.
    std::string repeats = "<link rel=stylesheet href=a.css>";
    for (int i = 0; i < 100000; ++i)
        repeats += "<img src=a.css><p style=\"background:url(a.css)\">";
    repeats += "<img src=b.png>";
    scan = mht::ScanHtml(repeats);
    ASSERT_EQ((Strings{"a.css", "b.png"}), Urls(scan.refs));
    EXPECT_EQ(RefKind::kStylesheet, scan.refs[0].kind);

    // A reference of up to kMaxReferenceBytes is kept; a longer one is dropped.
    const std::string atLimit(mht::kMaxReferenceBytes, 'a');
    const std::string tooLong(mht::kMaxReferenceBytes + 1, 'b');
    scan = mht::ScanHtml("<img src=" + tooLong + "><img src=" + atLimit +
                         "><script src=" + tooLong + "x></script>");
    EXPECT_EQ((Strings{atLimit}), Urls(scan.refs));
}

TEST(CssRefsTest, ReferencesOfOneSheetAreBounded) {
    std::string css;
    for (int i = 0; i < 100000; ++i)
        css += "a{b:url(x.png)}i" + std::to_string(i) + "{b:url(" + std::to_string(i) + ".png)}";
    std::vector<mht::Reference> refs = mht::FindCssRefs(css);
    ASSERT_EQ(mht::kMaxDocumentRefs, refs.size());
    EXPECT_EQ("x.png", refs[0].url);
    EXPECT_EQ("0.png", refs[1].url);
    EXPECT_EQ(std::to_string(mht::kMaxDocumentRefs - 2) + ".png", refs.back().url);
}
