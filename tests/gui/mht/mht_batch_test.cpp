// Format 2 ("mht文件") end to end: the real program, a URL list imported through its file
// chooser, a batch run to its end against the loopback server, and what lands in the output
// folder and in the server's request record.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fetch/output_name.h"
#include "tests/gui/app_fixture.h"
#include "tests/gui/mht/mime_archive.h"
#include "tests/gui/batch/loopback_server.h"

namespace mht_gui {
namespace {

constexpr char kFinished[] = "执行结束！";
constexpr char kCaptionStart[] = "开始";
// "进度 n/n，" begins every progress line once the last URL has been handed out.
std::string AllHandedOut(int total) {
    return "进度 " + std::to_string(total) + "/" + std::to_string(total) + "，";
}
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
// Nothing answers on port 1 of the loopback interface.
constexpr char kRefused[] = "http://127.0.0.1:1/x";
constexpr char kNotHttp[] = "ftp://127.0.0.1:1/readme.txt";
// The batches here end within about 3 s; one that never ends fails after this.
constexpr DWORD kBatchMs = 30000;

// A GBK text of the program as UTF-8, for failure messages read on a Linux terminal.
std::string Readable(const std::string& gbk) {
    std::wstring wide(gbk.size(), L'\0');
    wide.resize(::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), &wide[0],
                                      static_cast<int>(wide.size())));
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

std::string Contents(const std::string& path) {
    std::string content;
    gui::ReadWholeFile(path, &content);
    return content;
}

bool Contains(const std::vector<std::string>& list, const std::string& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(::tolower(c)); });
    return text;
}

// Length of the longest line of `text`, line ends not counted.
size_t LongestLine(const std::string& text) {
    size_t longest = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        longest = std::max(longest, end - start);
        start = end + 2;
    }
    return longest;
}

class MhtBatchTest : public gui::AppTest {
protected:
    void SetUp() override {
        server_ = std::make_unique<batch::LoopbackServer>();
        server_->ClearRecord();
        out_ = temp_.MakeFolder("out");
    }

    // The program's archive name for `url`: its text name with ".mht" for ".txt".
    static std::string ArchiveName(const std::string& url) {
        std::string name = OutputFileName(CString(url)).str();
        return name.substr(0, name.size() - 4) + ".mht";
    }
    std::string ArchivePath(const std::string& url) const { return out_ + "\\" + ArchiveName(url); }
    // An archive of an earlier run at the name of `url`.
    void PlaceOlderArchive(const std::string& url) const {
        std::ofstream(ArchivePath(url), std::ios::binary) << "older archive\r\n";
        ASSERT_EQ("older archive\r\n", Contents(ArchivePath(url)));
    }

    void ImportList(const std::vector<std::string>& urls) {
        std::string lines;
        for (const std::string& url : urls) lines += url + "\r\n";
        ImportUrls(lines, "共导入 " + std::to_string(urls.size()) + " 条网址！");
    }

    // Clicks Run and watches the status line until the batch ends; every distinct line seen.
    // A tight poll of its own: a progress line may last only a few milliseconds.
    std::vector<std::string> RunToEnd(DWORD timeoutMs = kBatchMs) {
        std::vector<std::string> seen;
        if (!gui::Click(Item(gui::id::kRun))) {
            ADD_FAILURE() << "Run could not be clicked";
            return seen;
        }
        const ULONGLONG end = ::GetTickCount64() + timeoutMs;
        while (seen.empty() || seen.back() != kFinished) {
            const std::string line = gui::Text(Item(gui::id::kStatus));
            if (seen.empty() || seen.back() != line) seen.push_back(line);
            if (::GetTickCount64() >= end) {
                ADD_FAILURE() << "the batch has not ended: " << Readable(line);
                break;
            }
            ::Sleep(1);
        }
        return seen;
    }

    // The idle state after a batch: "执行结束！", caption "开始", button enabled.
    void ExpectEndState() const {
        EXPECT_EQ(kFinished, ItemText(gui::id::kStatus)) << Readable(ItemText(gui::id::kStatus));
        EXPECT_EQ(kCaptionStart, ItemText(gui::id::kRun)) << Readable(ItemText(gui::id::kRun));
        EXPECT_TRUE(::IsWindowEnabled(Item(gui::id::kRun)));
    }

    // Reads the archive of `url` and checks the envelope (multipart/related of an HTML page,
    // its snapshot location), the page as the first part, and the encoded lines of each part.
    void ReadPageArchive(const std::string& url, MimeArchive* archive) const {
        std::string error;
        ASSERT_TRUE(ReadArchive(Contents(ArchivePath(url)), archive, &error))
            << ArchivePath(url) << ": " << error;
        const std::string type = HeaderValue(archive->headers, "Content-Type");
        EXPECT_EQ(0u, Lowered(type).find("multipart/related;")) << type;
        EXPECT_EQ("text/html", Lowered(Param(type, "type"))) << type;
        EXPECT_EQ("1.0", HeaderValue(archive->headers, "MIME-Version"));
        EXPECT_EQ(url, HeaderValue(archive->headers, "Snapshot-Content-Location"));
        ASSERT_FALSE(archive->parts.empty()) << ArchivePath(url);
        const MimeHeaders& page = archive->parts[0].headers;
        EXPECT_EQ(url, HeaderValue(page, "Content-Location"));
        EXPECT_EQ(0u, Lowered(HeaderValue(page, "Content-Type")).find("text/html"));
        for (const MimePart& part : archive->parts) {
            const std::string location = HeaderValue(part.headers, "Content-Location");
            const std::string encoding =
                Lowered(HeaderValue(part.headers, "Content-Transfer-Encoding"));
            EXPECT_TRUE(encoding == "base64" || encoding == "quoted-printable")
                << location << ": " << encoding;
            EXPECT_LE(LongestLine(part.body), 76u) << location;
        }
    }

    std::unique_ptr<batch::LoopbackServer> server_;
    std::string out_;
};

TEST_F(MhtBatchTest, ABatchSavesOneArchivePerFetchedPageAndNothingForTheRest) {
    const std::string index = server_->Http("/site/index.html");
    const std::string gbk = server_->Http("/site/gbk.html");
    const std::string notFound = server_->Http("/status/404");
    const std::vector<std::string> urls = {index, notFound, gbk, kRefused, kNotHttp};
    // Older archives: one replaced by the new page, the others deleted by the failures.
    for (const std::string& url : {index, notFound, std::string(kRefused), std::string(kNotHttp)})
        ASSERT_NO_FATAL_FAILURE(PlaceOlderArchive(url));

    ASSERT_NO_FATAL_FAILURE(Start(gui::SettingsText(out_, 2, 3)));
    ASSERT_TRUE(gui::IsChecked(Item(gui::id::kFormatMht)));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    RunToEnd();
    ExpectEndState();

    std::vector<std::string> expected = {ArchiveName(index), ArchiveName(gbk)};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, gui::FilesIn(out_)) << "no text file, no temporary file, no failed page";

    MimeArchive page;
    ASSERT_NO_FATAL_FAILURE(ReadPageArchive(index, &page));
    const std::vector<std::string> locations = page.Locations();
    for (const char* resource : {"/site/img/red.png", "/site/frame.html", "/site/img/frame.png",
                                 "/site/css/main.css", "/site/css/more.css", "/site/img/bg.png"})
        EXPECT_TRUE(Contains(locations, server_->Http(resource))) << "no part for " << resource;
    EXPECT_FALSE(Contains(locations, server_->Http("/site/img/missing.png")))
        << "a resource that answered 404 is left out";

    MimeArchive gbkPage;
    ASSERT_NO_FATAL_FAILURE(ReadPageArchive(gbk, &gbkPage));
    EXPECT_TRUE(Contains(gbkPage.Locations(), server_->Http("/site/img/red.png")));
    const std::string type = HeaderValue(gbkPage.parts[0].headers, "Content-Type");
    EXPECT_EQ("gbk", Lowered(Param(type, "charset"))) << "the page's own charset: " << type;
}

TEST_F(MhtBatchTest, WhenEveryPageFailsNoFileIsLeftAndEveryJobIsCounted) {
    // Pages that answer 404 and 500, a port that refuses, a body over the cap, a body cut off
    // half-way (it also keeps a worker busy long enough for the progress to be seen).
    const std::vector<std::string> paths = {"/status/404", "/status/500", "/site/img/missing.png",
                                            "/big/17000000", "/stall/1500"};
    std::vector<std::string> urls = {kRefused};
    for (const std::string& path : paths) urls.push_back(server_->Http(path));
    for (const std::string& url : urls) ASSERT_NO_FATAL_FAILURE(PlaceOlderArchive(url));

    // Format and thread count chosen in the form, as a user would before Run.
    ASSERT_NO_FATAL_FAILURE(Start(gui::SettingsText(out_, 1, 1)));
    ASSERT_TRUE(gui::Click(Item(gui::id::kFormatMht)));
    ASSERT_TRUE(gui::IsChecked(Item(gui::id::kFormatMht)));
    ASSERT_TRUE(gui::SetText(Item(gui::id::kThreads), "2"));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    const std::vector<std::string> seen = RunToEnd();
    ExpectEndState();

    EXPECT_TRUE(gui::FilesIn(out_).empty())
        << gui::FilesIn(out_).size() << " files left, first "
        << (gui::FilesIn(out_).empty() ? "" : gui::FilesIn(out_)[0]);
    const std::string allOut = AllHandedOut(static_cast<int>(urls.size()));
    EXPECT_TRUE(std::any_of(seen.begin(), seen.end(),
                            [&](const std::string& line) { return line.rfind(allOut, 0) == 0; }))
        << "the progress never read " << Readable(allOut);
    // Each job ran: the server saw every page it serves asked for.
    for (const std::string& path : paths)
        EXPECT_FALSE(server_->Requests(path).empty()) << path << " was never requested";
}

TEST_F(MhtBatchTest, EachResourceOfAPageIsRequestedOnceWithTheFixedHeaders) {
    const std::string index = server_->Http("/site/index.html");
    ASSERT_NO_FATAL_FAILURE(Start(gui::SettingsText(out_, 2, 1)));
    ASSERT_NO_FATAL_FAILURE(ImportList({index}));
    RunToEnd();
    ExpectEndState();
    ASSERT_EQ(std::vector<std::string>{ArchiveName(index)}, gui::FilesIn(out_));

    std::map<std::string, int> counts;
    for (const batch::RecordedRequest& request : server_->Requests("/site/")) {
        ++counts[request.path];
        EXPECT_EQ(std::vector<std::string>{"*/*"}, request.HeaderValues("Accept")) << request.path;
        EXPECT_EQ(std::vector<std::string>{kUserAgent}, request.HeaderValues("User-Agent"))
            << request.path;
    }
    // The page, its stylesheets (one imported by the other), font, images, icon, script,
    // frame and the frame's image; the missing image and the redirect are asked for too.
    const std::map<std::string, int> once = {
        {"/site/index.html", 1},       {"/site/css/main.css", 1},    {"/site/css/more.css", 1},
        {"/site/fonts/test.woff2", 1}, {"/site/img/bg.png", 1},      {"/site/favicon.ico", 1},
        {"/site/img/inline.png", 1},   {"/site/img/attr.png", 1},    {"/site/js/app.js", 1},
        {"/site/img/red.png", 1},      {"/site/img/missing.png", 1}, {"/site/redirect-img", 1},
        {"/site/img/blue.png", 1},     {"/site/frame.html", 1},      {"/site/img/frame.png", 1}};
    EXPECT_EQ(once, counts);
}

TEST_F(MhtBatchTest, ReferencesAreRequestedAsABrowserWritesThemAndSrcdocFramesKeepTheirImages) {
    const std::string gbk = server_->Http("/charset/gbk.html");
    const std::string srcdoc = server_->Http("/charset/srcdoc.html");
    ASSERT_NO_FATAL_FAILURE(Start(gui::SettingsText(out_, 2, 2)));
    ASSERT_NO_FATAL_FAILURE(ImportList({gbk, srcdoc}));
    RunToEnd();
    ExpectEndState();

    std::map<std::string, int> counts;
    for (const batch::RecordedRequest& request : server_->Requests("/charset/"))
        ++counts[request.path];
    // The GBK page's <img src="中/文.png?q=搜索">: the path in UTF-8, the query in GBK; a
    // space escaped; the srcdoc frame's image fetched and its src never loaded.
    const std::string chinese = "/charset/%E4%B8%AD/%E6%96%87.png?q=%CB%D1%CB%F7";
    const std::map<std::string, int> once = {{"/charset/gbk.html", 1},
                                             {chinese, 1},
                                             {"/charset/img/a%20b.png", 1},
                                             {"/charset/srcdoc.html", 1},
                                             {"/charset/img/srcdoc.png", 1}};
    EXPECT_EQ(once, counts);

    MimeArchive gbkPage;
    ASSERT_NO_FATAL_FAILURE(ReadPageArchive(gbk, &gbkPage));
    EXPECT_TRUE(Contains(gbkPage.Locations(), server_->Http(chinese)));
    EXPECT_TRUE(Contains(gbkPage.Locations(), server_->Http("/charset/img/a%20b.png")));
    MimeArchive srcdocPage;
    ASSERT_NO_FATAL_FAILURE(ReadPageArchive(srcdoc, &srcdocPage));
    EXPECT_EQ((std::vector<std::string>{srcdoc, server_->Http("/charset/img/srcdoc.png")}),
              srcdocPage.Locations())
        << "the frame stays in the page: no part of its own";
}

// Servers that never finish, as pages and as resources: every page ends within its bound of
// 60 s, a page cut off leaves no archive, and an archive whose image trickles, whose style
// sheet redirects to itself and whose other resources stall is written in time with the rest.
TEST_F(MhtBatchTest, HostileServersEndWithinThePagesBound) {
    const std::string page = server_->Http("/hostile/page.html");
    const std::vector<std::string> hostile = {
        server_->Http("/trickle/4000/40"), server_->Http("/slowhead/3000"),
        server_->Http("/loop/page"), server_->Http("/silent/120000"),
        server_->Http("/stall/120000")};
    std::vector<std::string> urls = hostile;
    urls.push_back(page);
    for (const std::string& url : urls) ASSERT_NO_FATAL_FAILURE(PlaceOlderArchive(url));

    ASSERT_NO_FATAL_FAILURE(Start(gui::SettingsText(out_, 2, 6)));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    const ULONGLONG started = ::GetTickCount64();
    RunToEnd(60000 + 8000);  // the bound, the scheduler's tick and a loaded machine
    const ULONGLONG took = ::GetTickCount64() - started;
    std::cout << "archive batch of hostile pages: ended " << took << " ms after Run\n";
    RecordProperty("hostile_mht_batch_ms", static_cast<int>(took));
    ExpectEndState();

    EXPECT_EQ(std::vector<std::string>{ArchiveName(page)}, gui::FilesIn(out_))
        << "no archive of a page cut off, no older one left";
    MimeArchive archive;
    ASSERT_NO_FATAL_FAILURE(ReadPageArchive(page, &archive));
    const std::vector<std::string> expected = {page, server_->Http("/site/img/red.png")};
    EXPECT_EQ(expected, archive.Locations()) << "only what arrived in time";
    EXPECT_EQ(21, server_->CountOf("/loop/style.css"));
    EXPECT_EQ(21, server_->CountOf("/loop/page"));
}

// Hosts that never answer, as pages and as resources: each page ends by the session's waits
// (a connection never completed: 5 s, a 1 s back-off, 5 s; one accepted and left silent: 5 s),
// and an archive whose images lie on such hosts is written as soon as those waits are over,
// with its good parts.
TEST_F(MhtBatchTest, StalledHostsCostThePagesAndResourcesTheSessionsWaitsOnly) {
    const std::string clogged = "http://127.0.0.1:" + std::to_string(server_->CloggedPort());
    const std::string mute = "127.0.0.1:" + std::to_string(server_->MutePort());
    const std::string page = server_->Http("/standins/2/1/1");
    const std::vector<std::string> urls = {clogged + "/page", "http://" + mute + "/page",
                                           "https://" + mute + "/page", page};
    for (const std::string& url : urls) ASSERT_NO_FATAL_FAILURE(PlaceOlderArchive(url));

    ASSERT_NO_FATAL_FAILURE(Start(gui::SettingsText(out_, 2, 4)));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    const ULONGLONG started = ::GetTickCount64();
    RunToEnd(20000);  // about 11 s; the slack is a loaded machine's
    const ULONGLONG took = ::GetTickCount64() - started;
    std::cout << "archive batch of stalled hosts: ended " << took << " ms after Run\n";
    RecordProperty("stalled_mht_batch_ms", static_cast<int>(took));
    ExpectEndState();

    EXPECT_EQ(std::vector<std::string>{ArchiveName(page)}, gui::FilesIn(out_));
    MimeArchive archive;
    ASSERT_NO_FATAL_FAILURE(ReadPageArchive(page, &archive));
    const std::vector<std::string> expected = {page, server_->Http("/site/img/red.png")};
    EXPECT_EQ(expected, archive.Locations());
}

// A server that compresses whatever was asked: every part is stored decoded, so the style
// sheets' own references are found; an encoding the program cannot read leaves no archive.
TEST_F(MhtBatchTest, CompressedAnswersAreStoredDecoded) {
    const std::string gzip = server_->Http("/encoded/gzip/site/index.html");
    const std::string br = server_->Http("/encoded/br/site/index.html");
    ASSERT_NO_FATAL_FAILURE(PlaceOlderArchive(br));
    ASSERT_NO_FATAL_FAILURE(Start(gui::SettingsText(out_, 2, 2)));
    ASSERT_NO_FATAL_FAILURE(ImportList({gzip, br}));
    RunToEnd();
    ExpectEndState();
    EXPECT_EQ(std::vector<std::string>{ArchiveName(gzip)}, gui::FilesIn(out_));

    MimeArchive archive;
    ASSERT_NO_FATAL_FAILURE(ReadPageArchive(gzip, &archive));
    const std::vector<std::string> locations = archive.Locations();
    // main.css imports more.css, which names bg.png: found only in decoded style sheets.
    for (const char* path : {"/encoded/gzip/site/css/main.css", "/encoded/gzip/site/css/more.css",
                             "/encoded/gzip/site/img/bg.png", "/encoded/gzip/site/img/red.png"})
        EXPECT_TRUE(Contains(locations, server_->Http(path))) << "no part for " << path;
    for (const MimePart& part : archive.parts) {
        if (HeaderValue(part.headers, "Content-Location") !=
            server_->Http("/encoded/gzip/site/css/main.css"))
            continue;
        EXPECT_EQ("text/css", Lowered(HeaderValue(part.headers, "Content-Type")).substr(0, 8));
        // Quoted-printable keeps the text readable: the sheet as written, not gzip's bytes.
        EXPECT_NE(std::string::npos, part.body.find("@import url(\"more.css\");")) << part.body;
    }
}

}  // namespace
}  // namespace mht_gui
