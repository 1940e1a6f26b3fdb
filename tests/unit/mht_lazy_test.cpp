// What the page scan yields beyond plain references: lazy-loaded images and the attributes an
// archive adds to show them, preloads, sprites, and the srcset candidate a reader sees.
#include "mht/html_refs.h"
#include "mht/lazy_images.h"
#include "mht/srcset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using mht::RefPriority;

namespace {

using Strings = std::vector<std::string>;

Strings Urls(const std::vector<mht::Reference>& refs, RefPriority priority) {
    Strings urls;
    for (const mht::Reference& r : refs) {
        if (r.priority == priority) urls.push_back(r.url);
    }
    return urls;
}

// The page with every edit made, as an archive whose parts were all fetched shows it.
std::string Edited(const std::string& html, const mht::HtmlScan& scan) {
    std::string out = html;
    for (auto it = scan.edits.rbegin(); it != scan.edits.rend(); ++it)
        out.insert(it->pos, it->text);
    return out;
}

}  // namespace

TEST(LazyImageTest, LazyUrlsAreFetchedAndShownWhereTheElementShowsNothing) {
    const std::string html =
        // WeChat: no src at all; a data: placeholder; a placeholder file; a real src stays.
        "<img data-src=\"a.jpg?wx_fmt=jpeg&amp;x=1\" data-ratio=1>"
        "<img src=\"data:image/gif;base64,R0lGOD\" data-original=b.jpg>"
        "<img src=/static/none.gif file=c.jpg zoomfile=c-big.jpg>"
        "<img src=real.jpg data-src=d.jpg>"
        "<img src='' lazy-src=e.jpg><img real_src=f.jpg><img data-tab-src=g.jpg>"
        "<img data-actualsrc=h.jpg><img data-hi-res-src=i.jpg data-low-res-src=i-small.jpg>"
        // An unknown data-*src name is read too; other data-* are not.
        "<img data-lazyload-src=j.jpg data-thumb=no.jpg data-url=no.html>"
        "<img src=same.jpg data-src=same.jpg>"
        "<iframe data-src=frame.html></iframe><iframe src=about:blank data-src=f2.html></iframe>"
        "<div data-src=not-an-image.jpg></div>";
    mht::HtmlScan scan = mht::ScanHtml(html);
    EXPECT_EQ((Strings{"a.jpg?wx_fmt=jpeg&x=1", "data:image/gif;base64,R0lGOD", "b.jpg",
                       "/static/none.gif", "c.jpg", "c-big.jpg", "real.jpg", "d.jpg", "e.jpg",
                       "f.jpg", "g.jpg", "h.jpg", "i.jpg", "i-small.jpg", "j.jpg", "same.jpg",
                       "frame.html", "about:blank", "f2.html"}),
              Urls(scan.refs, RefPriority::kShown));
    EXPECT_EQ(
        "<img src=\"a.jpg?wx_fmt=jpeg&amp;x=1\" data-src=\"a.jpg?wx_fmt=jpeg&amp;x=1\" "
        "data-ratio=1>"
        "<img src=\"b.jpg\" src=\"data:image/gif;base64,R0lGOD\" data-original=b.jpg>"
        "<img src=\"c.jpg\" src=/static/none.gif file=c.jpg zoomfile=c-big.jpg>"
        "<img src=real.jpg data-src=d.jpg>"
        "<img src=\"e.jpg\" src='' lazy-src=e.jpg><img src=\"f.jpg\" real_src=f.jpg>"
        "<img src=\"g.jpg\" data-tab-src=g.jpg>"
        "<img src=\"h.jpg\" data-actualsrc=h.jpg>"
        "<img src=\"i.jpg\" data-hi-res-src=i.jpg data-low-res-src=i-small.jpg>"
        "<img src=\"j.jpg\" data-lazyload-src=j.jpg data-thumb=no.jpg data-url=no.html>"
        "<img src=same.jpg data-src=same.jpg>"
        "<iframe src=\"frame.html\" data-src=frame.html></iframe>"
        "<iframe src=\"f2.html\" src=about:blank data-src=f2.html></iframe>"
        "<div data-src=not-an-image.jpg></div>",
        Edited(html, scan));
    for (const mht::PageEdit& edit : scan.edits) EXPECT_EQ(1u, edit.needs.size()) << edit.text;
    EXPECT_EQ((Strings{"a.jpg?wx_fmt=jpeg&x=1"}), scan.edits.at(0).needs);
}

// Of a lazy srcset, only the candidate a reader sees is fetched and shown.
TEST(LazyImageTest, LazySrcsetsOnImagesAndPictureSources) {
    const std::string html =
        "<picture><source data-srcset=\"p1.webp 1x, p2.webp 2x\">"
        "<source srcset=own.webp data-srcset=not-shown.webp><img data-src=p.jpg></picture>"
        "<source data-srcset=media.webm>"  // outside <picture>: media, not fetched
        "<img data-srcset=\"s300.jpg 300w, s3000.jpg 3000w\" data-sizes=auto data-anim-src=\"\">"
        "<img src=blank.gif srcset=\"blank.gif 1x\" data-src=x.jpg>"
        "<img src=blank.gif srcset=\"real.jpg 1x\" data-src=y.jpg>";
    mht::HtmlScan scan = mht::ScanHtml(html);
    EXPECT_EQ((Strings{"p2.webp", "own.webp", "not-shown.webp", "p.jpg", "s300.jpg", "blank.gif",
                       "x.jpg", "real.jpg", "y.jpg"}),
              Urls(scan.refs, RefPriority::kShown));
    EXPECT_EQ((Strings{}), Urls(scan.refs, RefPriority::kOtherCandidate));
    EXPECT_EQ(
        "<picture><source srcset=\"p2.webp\" data-srcset=\"p1.webp 1x, p2.webp 2x\">"
        "<source srcset=own.webp data-srcset=not-shown.webp><img src=\"p.jpg\" "
        "data-src=p.jpg></picture><source data-srcset=media.webm>"
        "<img src=\"s300.jpg\" data-srcset=\"s300.jpg 300w, s3000.jpg 3000w\" data-sizes=auto "
        "data-anim-src=\"\">"
        // A placeholder srcset would be shown before src: the lazy URL goes in both.
        "<img srcset=\"x.jpg\" src=\"x.jpg\" src=blank.gif srcset=\"blank.gif 1x\" data-src=x.jpg>"
        "<img src=blank.gif srcset=\"real.jpg 1x\" data-src=y.jpg>",
        Edited(html, scan));
}

TEST(LazyImageTest, PlaceholdersAreTheirFileNamesOnly) {
    for (const char* placeholder :
         {"", "data:image/png;base64,AA", "DATA:,", "about:blank", "/img/blank.gif", "grey.gif?v=2",
          "/a/placeholder-320.png", "spacer.gif", "Loading.GIF", "lazy.png",
          "/static/image/common/none.gif", "1x1.png#x", "transparent.png", "http://x/"})
        EXPECT_TRUE(mht::IsPlaceholderSrc(placeholder)) << placeholder;
    for (const char* real : {"photo.jpg", "/lazy/photo.jpg", "/blank/photo.jpg?x=blank",
                             "http://x/cat.png", "none.gif.jpg"})
        EXPECT_FALSE(mht::IsPlaceholderSrc(real)) << real;
    EXPECT_EQ(mht::LazyAttribute::kNone, mht::LazyAttributeKind("img", "data-source"));
    EXPECT_EQ(mht::LazyAttribute::kNone, mht::LazyAttributeKind("iframe", "file"));
    EXPECT_EQ(mht::LazyAttribute::kNone, mht::LazyAttributeKind("div", "data-src"));
    EXPECT_EQ(mht::LazyAttribute::kSrcset, mht::LazyAttributeKind("img", "data-lazy-srcset"));
}

TEST(SrcsetChoiceTest, TheDensestUpToTwiceOrTheWidestUpTo2048Pixels) {
    EXPECT_EQ("b", mht::ChooseSrcsetCandidate("a 1x, b 2x, c 3x"));
    EXPECT_EQ("b", mht::ChooseSrcsetCandidate("c 3x, b 1.5x, a"));
    EXPECT_EQ("a", mht::ChooseSrcsetCandidate("a 3x, b 4x"));  // none fits: the least
    EXPECT_EQ("m", mht::ChooseSrcsetCandidate("s 320w, m 1600w, l 2400w"));
    EXPECT_EQ("l", mht::ChooseSrcsetCandidate("xl 4000w, l 2400w"));
    EXPECT_EQ("u,v", mht::ChooseSrcsetCandidate("u,v 2x, w 1x"));  // a comma inside a URL
    EXPECT_EQ("only", mht::ChooseSrcsetCandidate("  only  "));
    EXPECT_EQ("", mht::ChooseSrcsetCandidate(" , "));
    EXPECT_EQ("a", mht::ChooseSrcsetCandidate("a 100w, b 2x"));  // mixed: the first's kind
}

TEST(PreloadTest, PreloadsByKindSpritesAndTheSheetSwitchedOnAtLoad) {
    const std::string html =
        "<link rel=preload as=style href=late.css "
        "onload=\"this.onload=null;this.rel='stylesheet'\">"
        "<link rel=preload as=style href=plain.css>"
        "<link rel=preload href=f.woff2 as=font crossorigin>"
        "<link rel=preload as=image href=sprite.png imagesrcset=\"sp1.png 1x, sp2.png 2x\">"
        "<link rel=modulepreload href=m.js><link rel=preload href=no-as.js>"
        "<link rel=preload as=video href=movie.mp4><link rel=prefetch href=next.html>"
        "<link rel=dns-prefetch href=//cdn><link rel=manifest href=m.json>"
        "<link rel=search type=application/opensearchdescription+xml href=os.xml>"
        "<script src=app.js></script>"
        "<svg><use href=\"#local\"/><use xlink:href=\"icons.svg#home\"/>"
        "<use href=\"sym.svg#a\"/></svg>";
    mht::HtmlScan scan = mht::ScanHtml(html);
    EXPECT_EQ((Strings{"late.css", "plain.css"}), Urls(scan.refs, RefPriority::kShown));
    for (const mht::Reference& r : scan.refs) {
        EXPECT_EQ(r.url.find(".css") != std::string::npos, r.kind == mht::RefKind::kStylesheet)
            << r.url;
    }
    EXPECT_EQ((Strings{"f.woff2", "sprite.png", "sp2.png", "m.js", "m.json", "os.xml", "app.js",
                       "icons.svg#home", "sym.svg#a"}),
              Urls(scan.refs, RefPriority::kSupporting));
    EXPECT_EQ((Strings{"sp1.png"}), Urls(scan.refs, RefPriority::kOtherCandidate));
    EXPECT_EQ(0u, Edited(html, scan)
                      .find("<link rel=\"stylesheet\" rel=preload as=style "
                            "href=late.css onload="));
    ASSERT_EQ(1u, scan.edits.size());
    EXPECT_EQ((Strings{"late.css"}), scan.edits[0].needs);
}
