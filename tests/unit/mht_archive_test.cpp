#include "mht/archive_plan.h"
#include "mht/archive_writer.h"
#include "mht/page_charset.h"
#include "url/utf8_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/mht_test_decoders.h"

namespace {

const char kPage[] = "http://127.0.0.1:8000/dir/index.html";

std::string Header(const mht_test::MimeEntity& e, const char* name) {
    auto it = e.headers.find(name);
    return it == e.headers.end() ? "<none>" : it->second;
}

std::string At(const std::string& path) {
    return "http://127.0.0.1:8000/" + path;
}

// Runs a plan against fixed responses (type, body), one fetch at a time or all queued at once.
struct FakeServer {
    std::map<std::string, std::pair<std::string, std::string>> responses;
    std::map<std::string, std::string> redirects;
    std::vector<std::string> requested;

    void Serve(mht::ArchivePlan& plan, bool allAtOnce) {
        while (!plan.Done()) {
            std::vector<mht::FetchRequest> batch;
            mht::FetchRequest r;
            while ((batch.empty() || allAtOnce) && plan.NextFetch(r)) batch.push_back(r);
            for (const mht::FetchRequest& req : batch) {
                requested.push_back(req.url);
                std::string final = redirects.count(req.url) ? redirects[req.url] : "";
                auto it = responses.find(final.empty() ? req.url : final);
                if (it == responses.end()) {
                    plan.OnFailed(req.id);
                } else {
                    plan.OnFetched(req.id, final, it->second.first, it->second.second);
                }
            }
        }
    }
};

std::vector<std::string> Locations(const std::vector<mht::ArchivePart>& parts) {
    std::vector<std::string> urls;
    for (const mht::ArchivePart& p : parts) urls.push_back(p.url);
    return urls;
}

using Strings = std::vector<std::string>;

}  // namespace

TEST(ArchiveWriterTest, WritesAnArchiveThatParsesBack) {
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    std::string html = "<html><body>\xD6\xD0 a=b \r\n<img src=a.png></body></html>\n";
    std::vector<mht::ArchivePart> parts{
        {kPage, "text/html; charset=gbk", html},
        {"http://127.0.0.1:8000/dir/a.png", "image/png", png},
        {"http://127.0.0.1:8000/s.css", "TEXT/CSS", "p{color:red}"},
        {"http://127.0.0.1:8000/app.js", "application/javascript", "var a = 1;"},
        {"http://127.0.0.1:8000/x", "", "??"},
        {"http://127.0.0.1:8000/evil\r\nX-Injected: 1", "image/gif\r\nX: 2\xA9", "GIF"},
    };
    std::string title = "\xD6\xD0\xCE\xC4 title";
    std::string text =
        mht::ArchiveText({kPage, "Mon, 07 Dec 2026 22:04:45 GMT", title, "gbk"}, parts);

    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_EQ('\r', text[i - 1]) << "bare LF at " << i;
        }
        ASSERT_LT(static_cast<unsigned char>(text[i]), 0x80u) << "raw byte at " << i;
    }
    mht_test::ParsedArchive archive = mht_test::ParseArchive(text);
    EXPECT_EQ("<Saved by Brindlow>", Header(archive.envelope, "from"));
    EXPECT_EQ(kPage, Header(archive.envelope, "snapshot-content-location"));
    EXPECT_EQ("=?gbk?B?1tDOxCB0aXRsZQ==?=", Header(archive.envelope, "subject"));
    EXPECT_EQ("Mon, 07 Dec 2026 22:04:45 GMT", Header(archive.envelope, "date"));
    EXPECT_EQ("1.0", Header(archive.envelope, "mime-version"));
    EXPECT_EQ(0u, text.find("From: <Saved by Brindlow>\r\n"));
    EXPECT_NE(std::string::npos,
              text.find("Content-Type: multipart/related;\r\n\ttype=\"text/html\";"
                        "\r\n\tboundary=\"" +
                        archive.boundary + "\"\r\n\r\n--"));
    EXPECT_NE(std::string::npos, archive.boundary.find("=_"));
    ASSERT_TRUE(archive.closed);
    ASSERT_EQ(parts.size(), archive.parts.size());

    const char* encodings[] = {"quoted-printable", "base64", "quoted-printable",
                               "quoted-printable", "base64", "base64"};
    const char* types[] = {
        "text/html; charset=gbk",   "image/png",    "TEXT/CSS", "application/javascript",
        "application/octet-stream", "image/gifX: 2"};
    for (size_t i = 0; i < parts.size(); ++i) {
        const mht_test::MimeEntity& part = archive.parts[i];
        EXPECT_EQ(types[i], Header(part, "content-type"));
        EXPECT_EQ(encodings[i], Header(part, "content-transfer-encoding"));
        EXPECT_EQ(parts[i].body, part.Decoded()) << i;
        for (const std::string& line : mht_test::SplitLines(part.rawBody))
            EXPECT_LE(line.size(), 76u);
    }
    EXPECT_EQ("http://127.0.0.1:8000/dir/a.png", Header(archive.parts[1], "content-location"));
    EXPECT_EQ("http://127.0.0.1:8000/evilX-Injected: 1",
              Header(archive.parts[5], "content-location"));
    EXPECT_EQ(0u, archive.parts[5].headers.count("x-injected"));
}

TEST(ArchiveWriterTest, BoundaryAvoidsTheContent) {
    unsigned seed = 0x1234ABCD;
    std::string first = mht::BoundaryCandidate(seed, 0);
    EXPECT_NE(std::string::npos, first.find("=_"));
    std::string taken = "text " + first + " more";
    EXPECT_EQ(first, mht::ChooseBoundary({"unrelated"}, seed));
    std::string chosen = mht::ChooseBoundary({"unrelated", taken}, seed);
    EXPECT_NE(first, chosen);
    EXPECT_EQ(std::string::npos, taken.find(chosen));

    // Through the writer: a part whose location holds the boundary it would have chosen.
    std::vector<mht::ArchivePart> parts{{kPage, "text/html", "<p>x</p>"}};
    std::string usual =
        mht_test::ParseArchive(mht::ArchiveText({kPage, "d", "t", ""}, parts)).boundary;
    parts.push_back({"http://127.0.0.1:8000/" + usual, "image/png", "P"});
    std::string text = mht::ArchiveText({kPage, "d", "t", ""}, parts);
    mht_test::ParsedArchive archive = mht_test::ParseArchive(text);
    EXPECT_NE(usual, archive.boundary);
    EXPECT_EQ(2u, archive.parts.size());
    EXPECT_TRUE(archive.closed);
}

TEST(PageCharsetTest, DeclaresTheCharsetWhereReadersLook) {
    std::string body = "<html><head><title>x</title></head>";
    std::string type = "text/html; charset=GBK";
    EXPECT_EQ("gbk", mht::DeclarePageCharset(body, type, "", 12));
    EXPECT_EQ(
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">"
        "<title>x</title></head>",
        body);
    EXPECT_EQ("text/html; charset=GBK", type);

    body = "<meta charset=utf-8>";
    type = "text/html; charset=gbk; q=1";
    EXPECT_EQ("utf-8", mht::DeclarePageCharset(body, type, "utf-8", 0));
    EXPECT_EQ("<meta charset=utf-8>", body);
    EXPECT_EQ("text/html; q=1; charset=utf-8", type);

    body = "\xEF\xBB\xBFtext";
    type = "text/html; charset=gbk";
    EXPECT_EQ("utf-8", mht::DeclarePageCharset(body, type, "", 0));
    EXPECT_EQ("\xEF\xBB\xBFtext", body);

    body = "<p>x";
    type = "text/html; charset=bad\"><script>";
    EXPECT_EQ("", mht::DeclarePageCharset(body, type, "", 0));
    EXPECT_EQ("<p>x", body);

    EXPECT_EQ("gbk", mht::HeaderCharsetFor("\xD6\xD0", "gb2312"));
    EXPECT_EQ("utf-8", mht::HeaderCharsetFor("\xE4\xB8\xAD", ""));
    EXPECT_EQ("gbk", mht::HeaderCharsetFor("\xD6\xD0", ""));
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF \xED\x9F\xBF"));
    for (const char* bad : {"\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(ArchivePlanTest, FetchesEachReferenceOnceAndOrdersTheParts) {
    FakeServer server;
    server.responses[kPage] = {"text/html; charset=gbk",
                               "<html><head><title>T &amp; &#20013;</title>"
                               "<link rel=stylesheet href=s.css><link rel=stylesheet href=s.css#x>"
                               "</head><body><img src=a.png><img src='A.png'><img src=a.png#f>"
                               "<img src=data:image/png;base64,AA><a href=#top>x</a>"
                               "<img src=missing.png><iframe src=//127.0.0.1:8000/f.html></iframe>"
                               "<img src=\"http://127.0.0.1:8000/dir/a.png\"></body></html>"};
    server.responses[At("dir/s.css")] = {"text/css",
                                         "@import 'more/t.css'; b{background:url(../bg.png)}"};
    server.responses[At("dir/more/t.css")] = {"text/css", "i{background:url(deep.png)}"};
    server.responses[At("f.html")] = {"text/html", "<img src=dir/a.png><img src=fimg.png>"};
    for (const char* image :
         {"dir/more/deep.png", "bg.png", "dir/a.png", "dir/A.png", "fimg.png"}) {
        server.responses[At(image)] = {"image/png", image};
    }

    for (bool allAtOnce : {false, true}) {
        server.requested.clear();
        mht::ArchivePlan plan(kPage);
        server.Serve(plan, allAtOnce);
        ASSERT_TRUE(plan.PageFetched());
        EXPECT_EQ(server.requested.size(),
                  std::set<std::string>(server.requested.begin(), server.requested.end()).size());
        std::vector<mht::ArchivePart> parts = plan.TakeParts();
        // Documents are fetched first, so that their references are known early; the parts
        // stay in the order they were found.
        EXPECT_EQ(At("dir/s.css"), server.requested.at(1));
        EXPECT_EQ(
            (Strings{kPage, At("dir/s.css"), At("dir/a.png"), At("dir/A.png"), At("f.html"),
                     At("dir/more/t.css"), At("bg.png"), At("fimg.png"), At("dir/more/deep.png")}),
            Locations(parts));
        EXPECT_NE(std::string::npos, parts[0].body.find("<meta http-equiv=\"Content-Type\" "
                                                        "content=\"text/html; charset=gbk\">"));
        mht::ArchiveHeader header = plan.Header("date");
        EXPECT_EQ("T & &#20013;", header.title);  // not UTF-8: left for the reader
        EXPECT_EQ("gbk", header.titleCharset);
        EXPECT_EQ(kPage, header.pageUrl);
    }
}

TEST(ArchivePlanTest, RedirectedDocumentsAreFetchedFromWhereTheyLandButStoredWhereReadersLook) {
    FakeServer server;
    server.responses[kPage] = {"text/html", "<link rel=stylesheet href=old/s.css><img src=i.png>"};
    server.redirects[At("dir/old/s.css")] = At("new/s.css");
    server.responses[At("new/s.css")] = {"text/css", "p{background:url(bg.png)}"};
    server.responses[At("new/bg.png")] = {"image/png", "BG"};
    server.responses[At("dir/i.png")] = {"image/png", "I"};
    mht::ArchivePlan plan(kPage);
    server.Serve(plan, true);
    std::vector<mht::ArchivePart> parts = plan.TakeParts();
    EXPECT_EQ((Strings{kPage, At("dir/old/s.css"), At("dir/i.png"), At("dir/old/bg.png")}),
              Locations(parts));
    EXPECT_EQ("BG", parts.at(3).body);
}

TEST(ArchivePlanTest, KeepsWithinItsBounds) {
    FakeServer server;
    std::string page =
        "<base href=/b/><iframe src=f1.html></iframe><link rel=stylesheet href=c0.css>";
    for (int i = 0; i < 10; ++i) {
        std::string n = std::to_string(i), next = std::to_string(i + 1);
        page += "<img src=i" + n + ".png>";
        server.responses[At("b/i" + n + ".png")] = {"image/png", std::string(100, 'x')};
        server.responses[At("b/f" + n + ".html")] = {"text/html",
                                                     "<iframe src=f" + next + ".html>"};
        server.responses[At("b/c" + n + ".css")] = {"text/css", "@import url(c" + next + ".css);"};
    }
    server.responses[kPage] = {"text/html", page};

    mht::ArchivePlan deep(kPage);
    server.Serve(deep, false);
    Strings locations = Locations(deep.TakeParts());
    auto has = [&locations](const std::string& name) {
        return std::find(locations.begin(), locations.end(), At("b/" + name)) != locations.end();
    };
    EXPECT_TRUE(has("f2.html"));
    EXPECT_FALSE(has("f3.html"));  // a third level of frames
    EXPECT_TRUE(has("c4.css"));
    EXPECT_FALSE(has("c5.css"));  // a fifth level of imports

    mht::PlanLimits small;
    small.maxResources = 5;
    small.maxBytes = 250;
    mht::ArchivePlan bounded(kPage, small);
    server.requested.clear();
    server.Serve(bounded, true);
    EXPECT_EQ(6u, server.requested.size());  // the page and five resources
    size_t images = 0;
    for (const mht::ArchivePart& p : bounded.TakeParts()) images += p.contentType == "image/png";
    EXPECT_EQ(2u, images);  // 100 bytes each, after the 40 of the frame and the sheet
}

TEST(ArchivePlanTest, NoPageNoArchive) {
    mht::ArchivePlan plan(kPage);
    mht::FetchRequest r;
    ASSERT_TRUE(plan.NextFetch(r));
    EXPECT_EQ(mht::FetchKind::kPage, r.kind);
    EXPECT_FALSE(plan.NextFetch(r));
    EXPECT_FALSE(plan.Done());
    plan.OnFailed(r.id);
    EXPECT_TRUE(plan.Done());
    EXPECT_FALSE(plan.PageFetched());
    plan.OnFetched(r.id, "", "text/html", "late");  // a stray report changes nothing
    EXPECT_FALSE(plan.PageFetched());
}
