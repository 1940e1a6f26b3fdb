// Non-ASCII URLs through the real program: the same Chinese URLs in a GBK list and in UTF-8
// lists with and without the byte-order mark reach the server as a browser sends them and are
// saved under the same readable names; hosts no browser accepts are never contacted.
#include <algorithm>
#include <cstdio>
#include <map>

#include "fetch/output_name.h"
#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

class UrlEncodingTest : public BatchTest {
protected:
    // Imports `list` (raw bytes), runs it, and returns each file written with its content;
    // the files are removed so that the next run starts from an empty folder.
    std::map<std::string, std::string> RunList(const std::string& list, int count) {
        std::map<std::string, std::string> files;
        server_->ClearRecord();
        ImportUrls(list, Imported(count));
        RunToEnd(60000);
        for (const std::string& name : FilesIn(out_)) {
            std::string content;
            ReadWholeFile(out_ + "\\" + name, &content);
            files[name] = content;
            std::remove((out_ + "\\" + name).c_str());
        }
        return files;
    }

    std::vector<std::string> SortedTargets() const {
        std::vector<std::string> paths = RequestedPaths("/target/");
        std::sort(paths.begin(), paths.end());
        return paths;
    }
};

TEST_F(UrlEncodingTest, AListGivesTheSameRequestsAndNamesInGbkAndUtf8) {
    // The paths as GBK (this file's literals are compiled to GBK) and as UTF-8.
    const char* const gbkPaths[] = {"/target/中文/页面.html?q=搜索",
                                    "/target/%E4%B8%AD%E6%96%87/done.html",
                                    "/target/a b.html?x=y z#part"};
    const char* const utf8Paths[] = {u8"/target/中文/页面.html?q=搜索",
                                     "/target/%E4%B8%AD%E6%96%87/done.html",
                                     "/target/a b.html?x=y z#part"};
    std::string gbk, utf8;
    for (const char* path : gbkPaths) gbk += server_->Http(path) + "\r\n";
    for (const char* path : utf8Paths) utf8 += server_->Http(path) + "\r\n";

    const std::vector<std::string> browserTargets = {
        "/target/%E4%B8%AD%E6%96%87/%E9%A1%B5%E9%9D%A2.html?q=%E6%90%9C%E7%B4%A2",
        "/target/%E4%B8%AD%E6%96%87/done.html",
        "/target/a%20b.html?x=y%20z",
    };
    std::map<std::string, std::string> expectedFiles;
    for (size_t i = 0; i < 3; ++i) {
        // The readable name, from the GBK text: "127_0_0_1_PORT_target_中文_页面_html_q=搜索.txt".
        std::string name = OutputFileName(CString(server_->Http(gbkPaths[i]))).str();
        expectedFiles[name] = browserTargets[i] + "\r\n";
    }
    EXPECT_EQ(1u, expectedFiles.count("127_0_0_1_" + std::to_string(server_->HttpPort()) +
                                      "_target_中文_页面_html_q=搜索.txt"));

    ASSERT_NO_FATAL_FAILURE(StartWithThreads(3));
    const std::pair<const char*, std::string> lists[] = {
        {"GBK", gbk}, {"UTF-8", utf8}, {"UTF-8 with BOM", "\xEF\xBB\xBF" + utf8}};
    for (const auto& list : lists) {
        std::map<std::string, std::string> files = RunList(list.second, 3);
        EXPECT_EQ(browserTargets, SortedTargets()) << list.first;
        EXPECT_EQ(expectedFiles, files) << list.first;
    }
}

TEST_F(UrlEncodingTest, CharactersGbkLacksAndPlainAscii) {
    const std::string port = std::to_string(server_->HttpPort());
    // Thai "ก" (U+0E01): no GBK character, kept as its UTF-8 escapes.
    const std::string thai = server_->Http("/target/\xE0\xB8\x81.html");
    // Plain ASCII is sent as written, except for the bytes a browser escapes.
    const std::string plain = server_->Http("/target/plain.html?a=1&b=%41");
    const std::string quoted = server_->Http("/target/q\"<x>.html?'");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(3));
    std::map<std::string, std::string> files =
        RunList(thai + "\n" + plain + "\n" + quoted + "\n", 3);
    EXPECT_EQ((std::vector<std::string>{"/target/%E0%B8%81.html", "/target/plain.html?a=1&b=%41",
                                        "/target/q%22%3Cx%3E.html?%27"}),
              SortedTargets());
    const std::string prefix = "127_0_0_1_" + port + "_target_";
    std::map<std::string, std::string> expected = {
        {prefix + "%e0%b8%81_html.txt", "/target/%E0%B8%81.html\r\n"},
        {prefix + "plain_html_a=1&b=%41.txt", "/target/plain.html?a=1&b=%41\r\n"},
        {prefix + "q__x__html_'.txt", "/target/q%22%3Cx%3E.html?%27\r\n"},
    };
    EXPECT_EQ(expected, files);
}

TEST_F(UrlEncodingTest, HostsNoBrowserAcceptsAreNeverContacted) {
    const std::string port = std::to_string(server_->HttpPort());
    const std::string good = server_->Http("/target/good");
    const std::vector<std::string> bad = {
        "http://127.0.0.1%00.example:" + port + "/target/nul",
        "http://127.0.0.1 x:" + port + "/target/space",
        "http://127.0.0.1\x01:" + port + "/target/control",
        "http://127.0.0.1%3C:" + port + "/target/angle",
        "http://127.0.0.1:" + port + "99999/target/port",
    };
    std::string list;
    for (const std::string& url : bad) list += url + "\r\n";
    list += good + "\r\n";
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(6));
    std::map<std::string, std::string> files = RunList(list, 6);
    EXPECT_EQ(std::vector<std::string>{"/target/good"}, SortedTargets());
    std::string goodName = OutputFileName(CString(good)).str();
    std::map<std::string, std::string> expected = {{goodName, "/target/good\r\n"}};
    EXPECT_EQ(expected, files);

    // The archiver alike: only the good page is fetched and archived.
    ASSERT_TRUE(gui::Click(Item(gui::id::kFormatMht)));
    files = RunList(list, 6);
    EXPECT_EQ(std::vector<std::string>{"/target/good"}, SortedTargets());
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(goodName.substr(0, goodName.size() - 4) + ".mht", files.begin()->first);
}

TEST_F(UrlEncodingTest, AnEnormousLineIsImportedAsAnEmptyEntry) {
    // 50 MB on one line between two URLs: read in pieces, kept as an empty entry.
    const std::string first = server_->Http("/target/first");
    const std::string last = server_->Http("/target/last");
    std::string list = first + "\n" + std::string(50u << 20, 'x') + "\n" + last + "\n";
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
    std::map<std::string, std::string> files = RunList(list, 3);
    EXPECT_EQ((std::vector<std::string>{"/target/first", "/target/last"}), SortedTargets());
    EXPECT_EQ(2u, files.size());
}

}  // namespace
}  // namespace batch
