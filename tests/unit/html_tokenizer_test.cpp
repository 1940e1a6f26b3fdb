// The page scan reads markup as browsers do: where comments, raw text and script text end,
// what character references stand for, and which elements a browser creates and fetches for.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mht/html_refs.h"
#include "mht/html_tokenizer.h"

namespace {

using Strings = std::vector<std::string>;

Strings Urls(std::string_view html, mht::RefKind kind) {
    Strings urls;
    for (const mht::Reference& r : mht::ScanHtml(html).refs) {
        if (r.kind == kind) urls.push_back(r.url);
    }
    return urls;
}

Strings Urls(std::string_view html) {
    Strings urls;
    for (const mht::Reference& r : mht::ScanHtml(html).refs) urls.push_back(r.url);
    return urls;
}

// The start tags reported, each as "ns:name".
class Tags : public mht::HtmlTokenSink {
public:
    explicit Tags(std::string_view html) { mht::TokenizeHtml(html, *this); }
    void OnStartTag(const mht::HtmlStartTag& tag) override {
        static const char* const kNs[] = {"html", "svg", "math"};
        names.push_back(std::string(kNs[static_cast<int>(tag.ns)]) + ":" + tag.name);
        last = tag;
        all.push_back(tag);
    }
    Strings names;
    mht::HtmlStartTag last;
    std::vector<mht::HtmlStartTag> all;
};

std::string AttributeValue(std::string_view html, const char* name = "a") {
    Tags tags(html);
    const mht::HtmlAttribute* a = tags.last.Find(name);
    return a ? a->value : "(none)";
}

}  // namespace

TEST(HtmlTokenizerTest, CommentsEndWhereBrowsersEndThem) {
    EXPECT_EQ((Strings{"a.png", "b.png", "c.png", "d.png", "e.png"}),
              Urls("<!-- x --!><img src=a.png><!--><img src=b.png><!---><img src=c.png>"
                   "<?php echo 1 ?><img src=d.png><!x><img src=e.png></ 3><!-- <!-- -- >"
                   "<img src=in-comment.png> --->"));
    // An unclosed comment runs to the end of the page, as in a browser.
    EXPECT_EQ(Strings{}, Urls("<!-- open <img src=no.png>"));
    // A DOCTYPE ends at its first '>', even inside a quoted identifier.
    EXPECT_EQ(Strings{"d.png"}, Urls("<!DOCTYPE html PUBLIC \"a><img src=d.png>\">"));
}

TEST(HtmlTokenizerTest, CharacterReferencesFollowTheFullTableAndItsRules) {
    EXPECT_EQ("\xC3\xA9&\xC2\xA0<", AttributeValue("<p a='&eacute;&AMP;&nbsp;&lt;'>"));
    // Without ';', only the old names count, and in an attribute not before '=' or a letter.
    EXPECT_EQ("?x=1&copy=2&notit;\xC2\xA9 ", AttributeValue("<p a='?x=1&copy=2&notit;&copy '>"));
    EXPECT_EQ("\xE2\x88\x89", AttributeValue("<p a='&notin;'>"));
    // Numeric: 0x80-0x9F as windows-1252, NUL, surrogates and past U+10FFFF as U+FFFD, a
    // missing ';' accepted.
    EXPECT_EQ("\xE2\x82\xAC\xC2\x81\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD&#;&#xZ",
              AttributeValue("<p a='&#x80;&#129&#0;&#xD800;&#x110000;&#;&#xZ'>"));
    // A NUL in a name or value reads as U+FFFD, CR LF as LF.
    const char withNul[] = "<p a='x\0y\r\nz'>";
    EXPECT_EQ("x\xEF\xBF\xBDy\nz", AttributeValue(std::string(withNul, sizeof withNul - 1)));
    // In a URL, a reference above ASCII becomes %XX of its UTF-8, whatever the page's charset.
    EXPECT_EQ((Strings{"caf%C3%A9.png?a=1&b=2", "%E2%82%AC.png"}),
              Urls("<img src='caf&eacute;.png?a=1&AMP;b=2'><img src=&#128;.png>"));
}

TEST(HtmlTokenizerTest, TagsAndAttributesAreReadAsTheStandardReadsThem) {
    EXPECT_EQ((Strings{"a.png", "b.png", "c.png", "d.png"}),
              Urls("<img src=\"a.png\"alt=x><img/src=b.png><img =x src=c.png>"
                   "<img src=d.png src=dup.png></img src=end-tag.png><img src=eof.png"));
    // Where each piece lies in the page.
    const char html[] = "<IMG SRC='a.png' alt=b ismap>";
    Tags tags(html);
    ASSERT_EQ(1u, tags.all.size());
    const mht::HtmlStartTag& tag = tags.last;
    EXPECT_EQ("img", tag.name);
    EXPECT_EQ(0u, tag.begin);
    EXPECT_EQ(4u, tag.nameEnd);
    EXPECT_EQ(sizeof html - 1, tag.end);
    ASSERT_EQ(3u, tag.attributes.size());
    std::string_view page(html);
    for (const mht::HtmlAttribute& a : tag.attributes) {
        EXPECT_EQ(a.name == "ismap" ? "" : a.value,
                  page.substr(a.valueBegin, a.valueEnd - a.valueBegin));
    }
    EXPECT_EQ(page.find("ismap") + 5, tag.attributes[2].valueBegin);
}

TEST(HtmlTokenizerTest, RawTextEndsOnlyAtItsOwnEndTag) {
    EXPECT_EQ((Strings{"after.png"}),
              Urls("<title><img src=t.png></titlex></title><textarea><img src=ta.png>"
                   "</textarea><xmp><img src=x.png></xmp><iframe><img src=i.png></iframe>"
                   "<noembed><img src=n.png></noembed><noframes><img src=f.png></noframes>"
                   "<style><img src=s.png></style foo='>'><img src=after.png>"));
    mht::HtmlScan scan = mht::ScanHtml("<title>A &amp; <b>B</b></title><title>second</title>");
    EXPECT_EQ("A &amp; <b>B</b>", scan.title);  // references stay for the charset to decode
}

TEST(HtmlTokenizerTest, ScriptTextFollowsItsEscapes) {
    EXPECT_EQ((Strings{"1.png", "2.png", "3.png"}),
              Urls("<script>if (a<b) x='</scrip'</script><img src=1.png>"
                   "<script><!-- x </script><img src=2.png>"
                   "<script><!--<script></script><img src=no.png></script><img src=3.png>"));
    // Double-escaped script text runs to the page's end without its closing "</script>".
    EXPECT_EQ(Strings{}, Urls("<script><!--<script></script><img src=no.png>"));
    EXPECT_EQ(Strings{}, Urls("<plaintext></plaintext><img src=no.png><script>"));
}

TEST(HtmlTokenizerTest, ScriptsAreFetchedOnlyOfTypesThatRun) {
    EXPECT_EQ((Strings{"a.js", "m.js", "c.js", "j.js"}),
              Urls("<script src=a.js></script><script type=module src=m.js></script>"
                   "<script type='text/javascript; charset=utf-8' src=c.js></script>"
                   "<script type=text/template src=t.html></script>"
                   "<script type=application/ld+json src=l.json></script>"
                   "<script language=JavaScript src=j.js></script>"
                   "<script language=vbscript src=v.vbs></script>"));
}

TEST(HtmlTokenizerTest, SvgAndMathMlAreNotHtml) {
    // Inside SVG, <style>, <script>, <iframe> and <title> are not raw text nor HTML elements
    // (though inside SVG's <title>, as in <desc> and <foreignObject>, HTML is read again).
    EXPECT_EQ((Strings{"after.png"}),
              Urls("<svg><style><script><iframe src=no.html><title></svg><img src=after.png>"));
    EXPECT_EQ((Strings{"svg:svg", "svg:iframe", "svg:foreignobject", "html:iframe", "html:img",
                       "math:math", "math:mtext", "html:img", "math:mglyph", "html:iframe"}),
              Tags("<svg><iframe></iframe><foreignObject><iframe></iframe></foreignObject>"
                   "<img></svg><math><mtext><img><mglyph></mglyph><iframe>")
                  .names);
    // An HTML tag of the listed kind leaves the foreign content; a <font> only with its
    // attributes.
    EXPECT_EQ((Strings{"svg:svg", "svg:font", "svg:title", "html:font", "html:title"}),
              Tags("<svg><font><title></title></font><font color=red><title>").names);
    // SVG's <style> text is CSS; its own <image> loads; CDATA hides markup only there.
    EXPECT_EQ((Strings{"bg.png", "s.png", "x.png"}),
              Urls("<svg><style>.a{background:url(bg.png)}</style><image href='s.png'/>"
                   "<![CDATA[<img src=no.png>]]></svg><![CDATA[x]]><img src=x.png>"));
}

TEST(HtmlTokenizerTest, OnlyElementsBrowsersCreateAndFetchForCount) {
    // <template> contents are inert; <image> is <img>; a <source> chooses only in <picture>.
    EXPECT_EQ((Strings{"i.png", "i2.png", "p.webp", "after.png"}),
              Urls("<template><img src=no.png><template></template><img src=no2.png>"
                   "</template><image src=i.png srcset='i2.png 2x'>"
                   "<picture><source srcset=p.webp></picture>"
                   "<video><source srcset=v.webp></video><img src=after.png>"));
    EXPECT_EQ((Strings{"svg:svg", "svg:image"}), Tags("<svg><image href=a.png>").names);
    // Frames load only in a frameset page, which ignores what else it holds.
    EXPECT_EQ((Strings{"a.html", "b.html"}),
              Urls("<frameset><frame src=a.html><frameset><frame src=b.html></frameset>"
                   "<noframes><img src=no.png></noframes><img src=no2.png></frameset>"
                   "<frame src=after.html>",
                   mht::RefKind::kFrame));
    EXPECT_EQ(Strings{"p.png"}, Urls("<p>text<frameset><frame src=no.html><img src=p.png>"));
}

TEST(HtmlTokenizerTest, DeepAndWidePagesStayBounded) {
    // Past the depth kept, the oldest open elements are forgotten: the SVG on top still is.
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<div>";
    deep += "<svg><title></svg><img src=after.png>";
    EXPECT_EQ((Strings{"after.png"}), Urls(deep));
    // A tag's first thousand attributes count; the rest are read past.
    std::string wide = "<img";
    for (int i = 0; i < 3000; ++i) wide += " a" + std::to_string(i) + "=1";
    wide += " src=late.png><img src=next.png>";
    EXPECT_EQ((Strings{"next.png"}), Urls(wide));
}
