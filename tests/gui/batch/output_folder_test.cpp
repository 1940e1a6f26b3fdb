// What a batch leaves in its output folder when names of its list are one file to Windows, and
// when a killed process left temporary files there. This file's literals are GBK, as the list
// and the program's names are.
#include <windows.h>

#include <string>
#include <vector>

#include "afx/handles.h"
#include "afx/path_calls.h"
#include "fetch/output_name.h"
#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

class OutputFolderTest : public BatchTest {
protected:
    void WriteFile(const std::string& path, const std::string& content) {
        afx::UniqueFile file(::CreateFileW(afx::WidePath(path.c_str()).c_str(), GENERIC_WRITE, 0,
                                           nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(file && ::WriteFile(file.get(), content.data(),
                                        static_cast<DWORD>(content.size()), &written, nullptr))
            << path;
    }
};

// A page fetched, then later in the list the same URL in other letter case failing (404), one
// thread: the failing worker must not remove the page's file, which Windows takes for its own.
// An older file under a third spelling goes, removed by the first of them.
TEST_F(OutputFolderTest, APageKeepsItsFileWhenALaterUrlDiffersOnlyInLetterCase) {
    const struct {
        const char* fetched;
        const char* failing;
        const char* older;
        const char* saved;  // UTF-8, as served
    } cases[] = {
        {"/fold/ПРИВЕТ", "/fold/привет", "/fold/Привет", u8"fold ПРИВЕТ\r\n"},
        {"/fold/ＦＯＬＤ", "/fold/ｆｏｌｄ", "/fold/Ｆｏｌｄ", u8"fold ＦＯＬＤ\r\n"},
    };
    std::vector<std::string> urls;
    for (const auto& c : cases) {
        ASSERT_NO_FATAL_FAILURE(WriteFile(OutputPath(server_->Http(c.older)), "older file"));
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

// The next batch into the folder removes what a killed process left (its temporary files),
// and nothing else: not a file another running process holds open, as a writer holds its
// own, nor a file of another name.
TEST_F(OutputFolderTest, ABatchRemovesTheTemporaryFilesAKilledProcessLeft) {
    const std::string leftover = out_ + "\\~brindlow-14c.part";
    // Thread ids are multiples of 4: no writer of the program can have this name.
    const std::string held = out_ + "\\~brindlow-2a9.part";
    const std::string notOurs = out_ + "\\notes.part";
    for (const std::string& path : {leftover, held, notOurs})
        ASSERT_NO_FATAL_FAILURE(WriteFile(path, std::string(100000, 'x')));
    afx::UniqueFile holder(::CreateFileW(afx::WidePath(held.c_str()).c_str(),
                                         GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    const std::string page = server_->Http("/lf");

    ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
    ASSERT_NO_FATAL_FAILURE(ImportList({page}));
    ASSERT_NO_FATAL_FAILURE(RunToEnd());
    EXPECT_FALSE(FileExists(leftover));
    EXPECT_TRUE(FileExists(held)) << "a file open elsewhere stays";
    EXPECT_TRUE(FileExists(notOurs));
    EXPECT_TRUE(FileExists(OutputPath(page)));

    // Let go, it is as abandoned as the first: the next batch removes it.
    holder.reset();
    ASSERT_NO_FATAL_FAILURE(RunToEnd());
    EXPECT_FALSE(FileExists(held));
    EXPECT_TRUE(FileExists(notOurs));
}

}  // namespace
}  // namespace batch
