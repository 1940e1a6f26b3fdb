#include "mht/html_entities.h"
#include "url/url_resolve.h"

#include <gtest/gtest.h>

using url::ResolveHttpReference;

namespace {

struct Example {
    const char* ref;
    const char* expected;
};

const char kRfcBase[] = "http://a/b/c/d;p?q";

// What an archive fetches for a reference of RFC 3986's examples: the resolved URL without its
// fragment, which is the reader's business; nothing for a reference to the document itself (an
// empty one or a bare fragment) or to a scheme no archive fetches.
std::string Fetched(const Example& e) {
    const std::string ref = e.ref, expected = e.expected;
    if (ref.empty() || ref[0] == '#' || expected.rfind("http://", 0) != 0) return std::string();
    return expected.substr(0, expected.find('#'));
}

}  // namespace

TEST(UrlResolveTest, Rfc3986NormalAndAbnormalExamples) {
    const Example examples[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        // Browsers write an empty http path as "/".
        {"//g", "http://g/"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {"g?y#s", "http://a/b/c/g?y#s"},
        {";x", "http://a/b/c/;x"},
        {"g;x", "http://a/b/c/g;x"},
        {"g;x?y#s", "http://a/b/c/g;x?y#s"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../", "http://a/"},
        {"../../g", "http://a/g"},
        // The abnormal examples.
        {"../../../g", "http://a/g"},
        {"../../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {".g", "http://a/b/c/.g"},
        {"g..", "http://a/b/c/g.."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"./g/.", "http://a/b/c/g/"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"g?y/../x", "http://a/b/c/g?y/../x"},
        {"g#s/./x", "http://a/b/c/g#s/./x"},
        {"g#s/../x", "http://a/b/c/g#s/../x"},
        // The backward-compatible reading, which browsers follow.
        {"http:g", "http://a/b/c/g"},
    };
    for (const Example& e : examples)
        EXPECT_EQ(Fetched(e), ResolveHttpReference(kRfcBase, e.ref)) << e.ref;
}

TEST(UrlResolveTest, ReferencesToFetchAreCanonicalAbsoluteHttp) {
    const char base[] = "http://127.0.0.1:8000/dir/page.html";
    EXPECT_EQ("http://127.0.0.1:8000/dir/img/a.png", ResolveHttpReference(base, " img/a.png#top "));
    EXPECT_EQ("http://cdn.example/x.css", ResolveHttpReference(base, "//CDN.Example/x.css"));
    EXPECT_EQ("https://cdn.example/x.css",
              ResolveHttpReference(base, "HTTPS://CDN.Example:443/x.css"));
    EXPECT_EQ("http://other/", ResolveHttpReference(base, "HTTP://other:80"));
    EXPECT_EQ("http://127.0.0.1:8000/dir/a%20b%E4.png", ResolveHttpReference(base, "a b\xE4.png"));
    EXPECT_EQ("http://127.0.0.1:8000/dir/ab.png", ResolveHttpReference(base, "a\tb\n.png"));
    EXPECT_EQ("http://127.0.0.1:8000/img/x.png?a\\b",
              ResolveHttpReference(base, "\\img\\x.png?a\\b"));
    // In GBK, 0x5C can be the second byte of a character: not a separator there. Without a
    // codec to read the page's charset, the pair is kept together as it stands.
    EXPECT_EQ("http://127.0.0.1:8000/dir/%CE%5C.png", ResolveHttpReference(base, "\xCE\\.png"));
    for (const char* none : {"data:image/png;base64,AAAA", "javascript:void(0)", "mailto:a@b",
                             "about:blank", "#frag", "", "   ", "ftp://host/x"}) {
        EXPECT_EQ("", ResolveHttpReference(base, none)) << none;
    }
}

TEST(UrlResolveTest, EntitiesInAttributesAreDecoded) {
    EXPECT_EQ("a.php?x=1&y=2&z", mht::DecodeHtmlEntities("a.php?x=1&amp;y=2&amp;z"));
    EXPECT_EQ("&<>\"'/", mht::DecodeHtmlEntities("&amp;&lt;&gt;&quot;&#39;&#x2F;"));
    // Legacy names without ";" only where browsers take them; unknown names stay.
    EXPECT_EQ("?a=1&copy=2&ampx&bogus;", mht::DecodeHtmlEntities("?a=1&copy=2&ampx&bogus;"));
    EXPECT_EQ("x & y", mht::DecodeHtmlEntities("x &amp y"));
    EXPECT_EQ("\xE4\xB8\xAD", mht::DecodeHtmlEntities("&#20013;"));
    EXPECT_EQ("\xEF\xBF\xBD", mht::DecodeHtmlEntities("&#0;"));
    EXPECT_EQ("&#20013;&", mht::DecodeHtmlEntities("&#20013;&#38;", false));
    // In a URL, as the %XX of the character's UTF-8 bytes, whatever the page's charset.
    EXPECT_EQ("/%E4%B8%AD?a&b", mht::DecodeUrlEntities("/&#x4e2d;?a&amp;b"));
}
