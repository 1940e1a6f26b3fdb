// References read in their document's charset, as browsers read them: the path sent in UTF-8,
// the query in the document's charset. Native only: the codec here is iconv's.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mht/archive_plan.h"
#include "mht/stylesheet_charset.h"
#include "tests/unit/iconv_codec.h"
#include "url/url_resolve.h"

namespace {

const mht_test::IconvCodec kCodec;
const char kBase[] = "http://127.0.0.1:8000/dir/page.html";

// "中文" in GBK and UTF-8, and "搜索" likewise.
const char kZhGbk[] = "\xD6\xD0\xCE\xC4";
const char kZhUtf8[] = "\xE4\xB8\xAD\xE6\x96\x87";
const char kSearchGbk[] = "\xCB\xD1\xCB\xF7";
const char kZhPath[] = "%E4%B8%AD%E6%96%87";
const char kSearchGbkQuery[] = "%CB%D1%CB%F7";
const char kSearchUtf8Query[] = "%E6%90%9C%E7%B4%A2";

std::string Resolve(const std::string& ref, const std::string& charset) {
    return url::ResolveHttpReference(kBase, ref, url::DocumentEncoding{&kCodec, charset});
}

TEST(ReferenceCharsetTest, PathInUtf8QueryInTheDocumentsCharset) {
    const std::string ref = std::string("img/") + kZhGbk + ".png?q=" + kSearchGbk;
    EXPECT_EQ(std::string("http://127.0.0.1:8000/dir/img/") + kZhPath + ".png?q=" + kSearchGbkQuery,
              Resolve(ref, "gbk"));
    // "gb2312" pages are read as GBK by iconv and browsers alike.
    EXPECT_EQ(Resolve(ref, "gbk"), Resolve(ref, "gb2312"));
    // A UTF-8 page: both in UTF-8.
    const std::string utf8Ref = std::string("img/") + kZhUtf8 + ".png?q=\xE6\x90\x9C\xE7\xB4\xA2";
    EXPECT_EQ(
        std::string("http://127.0.0.1:8000/dir/img/") + kZhPath + ".png?q=" + kSearchUtf8Query,
        Resolve(utf8Ref, "utf-8"));
    // Escapes already there are kept, not encoded twice; the fragment is not part of it.
    EXPECT_EQ(std::string("http://127.0.0.1:8000/dir/") + kZhPath + "/a%20b.png?q=%CB%D1",
              Resolve(std::string(kZhPath) + "/a b.png?q=%CB%D1#top", "gbk"));
}

TEST(ReferenceCharsetTest, UndeclaredCharsetIsUtf8WhenValidElseGbk) {
    EXPECT_EQ(std::string("http://127.0.0.1:8000/dir/") + kZhPath + ".png?q=" + kSearchUtf8Query,
              Resolve(std::string(kZhUtf8) + ".png?q=\xE6\x90\x9C\xE7\xB4\xA2", ""));
    // Not UTF-8: read as GBK, the query then sent in UTF-8 for want of a declared charset.
    EXPECT_EQ(std::string("http://127.0.0.1:8000/dir/") + kZhPath + ".png?q=" + kSearchUtf8Query,
              Resolve(std::string(kZhGbk) + ".png?q=" + kSearchGbk, ""));
    // A charset the codec does not know is read as if none were declared.
    EXPECT_EQ(Resolve(std::string(kZhGbk) + ".png", ""),
              Resolve(std::string(kZhGbk) + ".png", "x-unknown-charset"));
}

TEST(ReferenceCharsetTest, HostsBrowsersRefuseAreNotFetched) {
    for (const char* ref : {"http://a b/x.png", "http://a%00b/x.png", "http://a\x01z/x.png",
                            "http://a<b/x.png", "http://[::1/x.png", "http://1.2.3.4.5/x.png",
                            "http://host:99999/x.png", "http://\xE4\xB8\xAD.cn/x.png"}) {
        EXPECT_EQ("", Resolve(ref, "utf-8")) << ref;
    }
    EXPECT_EQ("http://192.168.0.1/x.png", Resolve("http://0xC0.0250.0.1/x.png", "utf-8"));
    EXPECT_EQ("http://[::1]:8080/x.png", Resolve("http://[0:0::1]:08080/x.png", "utf-8"));
}

TEST(StylesheetCharsetTest, BomThenHeaderThenRuleThenReferrer) {
    EXPECT_EQ("utf-8", mht::StylesheetCharset("\xEF\xBB\xBF@charset \"gbk\";", "text/css", "big5"));
    EXPECT_EQ("shift_jis",
              mht::StylesheetCharset("@charset \"gbk\";", "text/css; charset=Shift_JIS", ""));
    EXPECT_EQ("gbk", mht::StylesheetCharset("@charset \"GBK\"; a{}", "text/css", "big5"));
    // Only the exact form at the very start counts.
    EXPECT_EQ("big5", mht::StylesheetCharset(" @charset \"gbk\";", "text/css", "big5"));
    EXPECT_EQ("big5", mht::StylesheetCharset("@charset 'gbk';", "text/css", "big5"));
    EXPECT_EQ("", mht::StylesheetCharset("a{}", "", ""));
}

// A plan fed fixed responses; returns the URLs it asked for after the page.
std::vector<std::string> Requests(const std::string& pageUrl, const std::string& pageType,
                                  const std::string& page, const std::string& cssType = "",
                                  const std::string& css = "") {
    mht::ArchivePlan plan(pageUrl, mht::PlanLimits(), &kCodec);
    std::vector<std::string> asked;
    mht::FetchRequest r;
    while (plan.NextFetch(r)) {
        if (r.kind == mht::FetchKind::kPage) {
            plan.OnFetched(r.id, "", pageType, page);
            continue;
        }
        asked.push_back(r.url);
        if (r.kind == mht::FetchKind::kStylesheet) {
            plan.OnFetched(r.id, "", cssType, css);
        } else {
            plan.OnFetched(r.id, "", "image/png", "png");
        }
    }
    return asked;
}

TEST(ArchiveCharsetTest, PageAndStyleSheetReferencesAsABrowserRequestsThem) {
    const std::string page = std::string("<meta charset=gbk><img src=\"") + kZhGbk +
                             ".png?q=" + kSearchGbk + "\"><link rel=stylesheet href=s.css>" +
                             // A character reference beside the page's own bytes.
                             "<img src=\"&#20013;\xCE\xC4.jpg\">";
    // The sheet names no charset: it is read in the page's.
    const std::string css = std::string("a{background:url(") + kZhGbk + ".gif?q=" + kSearchGbk +
                            ")} b{background:url(u.gif?q=\xFF)}";
    std::vector<std::string> asked =
        Requests("http://127.0.0.1:8000/p.html", "text/html", page, "text/css", css);
    const std::string gbkQuery = std::string("?q=") + kSearchGbkQuery;
    EXPECT_EQ((std::vector<std::string>{
                  "http://127.0.0.1:8000/s.css",
                  std::string("http://127.0.0.1:8000/") + kZhPath + ".png" + gbkQuery,
                  std::string("http://127.0.0.1:8000/") + kZhPath + ".jpg",
                  std::string("http://127.0.0.1:8000/") + kZhPath + ".gif" + gbkQuery,
                  // A byte no charset here can read stays as it is.
                  "http://127.0.0.1:8000/u.gif?q=%FF",
              }),
              asked);
    // A UTF-8 sheet linked from the GBK page: its own charset counts.
    asked = Requests("http://127.0.0.1:8000/p.html", "text/html", page, "text/css; charset=utf-8",
                     "b{background:url(u.gif?q=\xE6\x90\x9C\xE7\xB4\xA2)}");
    EXPECT_EQ(std::string("http://127.0.0.1:8000/u.gif?q=") + kSearchUtf8Query, asked.at(3));
}

TEST(ArchiveCharsetTest, ThePagesOwnUrlIsSentInUtf8) {
    mht::ArchivePlan plan(std::string("http://127.0.0.1:8000/") + kZhUtf8 +
                              "/p.html?q=" + "\xE6\x90\x9C\xE7\xB4\xA2#x",
                          mht::PlanLimits(), &kCodec);
    mht::FetchRequest r;
    ASSERT_TRUE(plan.NextFetch(r));
    EXPECT_EQ(std::string("http://127.0.0.1:8000/") + kZhPath + "/p.html?q=" + kSearchUtf8Query,
              r.url);
    // A host no browser accepts: nothing to fetch, so the fetch fails without a connection.
    mht::ArchivePlan refused("http://bad host/p.html", mht::PlanLimits(), &kCodec);
    ASSERT_TRUE(refused.NextFetch(r));
    EXPECT_EQ("", r.url);
}

}  // namespace
