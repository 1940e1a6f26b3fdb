// What a batch leaves in its output folder when names of its list are one file to Windows, and
// when a killed process left temporary files there. This file's literals are GBK, as the list
// and the program's names are.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "afx/handles.h"
#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

class OutputFolderTest : public BatchTest {};

// A page fetched, then later in the list the same URL in other letter case failing (404), one
// thread: the failing worker must not remove the page's file, which Windows takes for its own.
// An older file under a third spelling goes, removed by the first of them.
TEST_F(OutputFolderTest, APageKeepsItsFileWhenALaterUrlDiffersOnlyInLetterCase) {
    const struct {
        const char *fetched, *failing, *older, *saved;  // saved: UTF-8, as served
    } cases[] = {
        {"/fold/ПРИВЕТ", "/fold/привет", "/fold/Привет", u8"fold ПРИВЕТ\r\n"},
        {"/fold/ＦＯＬＤ", "/fold/ｆｏｌｄ", "/fold/Ｆｏｌｄ", u8"fold ＦＯＬＤ\r\n"},
    };
    std::vector<std::string> urls;
    for (const auto& c : cases) {
        std::ofstream(OutputPath(server_->Http(c.older)), std::ios::binary) << "older file";
        ASSERT_TRUE(FileExists(OutputPath(server_->Http(c.older))));
        urls.push_back(server_->Http(c.fetched));
        urls.push_back(server_->Http(c.failing));
    }
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(1));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    ASSERT_NO_FATAL_FAILURE(RunToEnd(60000));

    EXPECT_EQ(4u, RequestedPaths("/fold/").size()) << "every URL was fetched";
    for (const auto& c : cases) {
        std::string saved;
        EXPECT_TRUE(ReadWholeFile(OutputPath(server_->Http(c.fetched)), &saved)) << c.fetched;
        EXPECT_EQ(c.saved, saved) << c.fetched;
    }
    EXPECT_EQ(2u, FilesIn(out_).size()) << "one file a name, the older ones gone";
}

// The next batch into the folder removes the temporary files a killed process left, and
// nothing else: not one another running process holds open (as a writer holds its own), nor a
// file of another name. Let go, that one goes with the batch after.
TEST_F(OutputFolderTest, ABatchRemovesTheTemporaryFilesAKilledProcessLeft) {
    const std::string leftover = out_ + "\\~brindlow-14c.part";
    // Thread ids are multiples of 4: no writer of the program can have this name.
    const std::string held = out_ + "\\~brindlow-2a9.part";
    std::vector<std::string> notOurs = {"notes.part", "~brindlow-.part", "~brindlow-014c.part",
                                        "~brindlow-123456789.part", "~brindlow-14c.part.txt"};
    for (std::string& name : notOurs) name = out_ + "\\" + name;
    for (const std::string& path : notOurs) std::ofstream(path, std::ios::binary) << "not ours";
    for (const std::string& path : {leftover, held})
        std::ofstream(path, std::ios::binary) << std::string(100000, 'x');
    afx::UniqueFile holder(::CreateFileA(held.c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    const std::string page = server_->Http("/lf");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
    ASSERT_NO_FATAL_FAILURE(ImportList({page}));
    ASSERT_NO_FATAL_FAILURE(RunToEnd());
    EXPECT_FALSE(FileExists(leftover));
    EXPECT_TRUE(FileExists(held)) << "a file open elsewhere stays";
    for (const std::string& path : notOurs) EXPECT_TRUE(FileExists(path)) << path;
    EXPECT_TRUE(FileExists(OutputPath(page)));

    holder.reset();
    ASSERT_NO_FATAL_FAILURE(RunToEnd());
    EXPECT_FALSE(FileExists(held));
}

}  // namespace
}  // namespace batch
