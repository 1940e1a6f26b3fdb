// Importing URL lists through the real file chooser: the lists a user's tools produce, and
// the ones that go wrong.
#include <cstdio>

#include "afx/handles.h"
#include "app/texts.h"
#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

class ImportTest : public BatchTest {
protected:
    // Chooses `path` in the file chooser opened by Import; the warning box that follows,
    // still open.
    HWND ImportExpectingWarning(const std::string& path) {
        if (!gui::PostClick(Item(gui::id::kImport))) return nullptr;
        HWND chooser = gui::WaitForFileChooser(app_.Id());
        if (!chooser || !gui::ChooseFile(chooser, path)) return nullptr;
        return gui::WaitForWarningBox(app_.Id(), dialog_);
    }

    // Run on an empty table warns and changes nothing.
    void ExpectRunRefused() {
        EXPECT_EQ(kNoUrls, WarningAfterClicking(gui::id::kRun));
        EXPECT_EQ("执行", gui::Text(RunButton()));
    }
};

const char kLfText[] = "first line\r\nsecond line\r\nthird line\r\n";

TEST_F(ImportTest, ListLongerThanTheTableKeepsTheFirst20000) {
    std::string lines;
    for (int i = 0; i <= 20000; ++i) lines += "http://127.0.0.1/page" + std::to_string(i) + "\r\n";
    const std::string list = temp_.WriteFile("long.txt", lines);
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(1));
    HWND warning = ImportExpectingWarning(list);
    ASSERT_NE(nullptr, warning);
    char expected[256];
    std::snprintf(expected, sizeof expected, texts::kImportTruncated, 20000, 20000);
    EXPECT_EQ(expected, gui::MessageText(warning));
    ASSERT_TRUE(gui::DismissBox(warning));
    EXPECT_EQ(Imported(20000), gui::Text(Status()));
}

TEST_F(ImportTest, ByteOrderMarkOfAUtf8ListIsNotPartOfTheFirstUrl) {
    const std::string first = server_->Http("/lf?bom");
    const std::string second = server_->Http("/crlf?bom");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(2));
    ASSERT_NO_FATAL_FAILURE(
        ImportUrls("\xEF\xBB\xBF" + first + "\r\n" + second + "\r\n", Imported(2)));
    ASSERT_NO_FATAL_FAILURE(RunToEnd());
    EXPECT_EQ(std::vector<std::string>{"/lf?bom"}, RequestedPaths("/lf"));
    for (const std::string& url : {first, second}) {
        std::string saved;
        EXPECT_TRUE(ReadWholeFile(OutputPath(url), &saved)) << url;
        EXPECT_EQ(kLfText, saved) << url;
    }
}

TEST_F(ImportTest, EmptyListClearsTheTable) {
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(1));
    ASSERT_NO_FATAL_FAILURE(ImportList({server_->Http("/lf?before")}));
    ASSERT_NO_FATAL_FAILURE(ImportUrls("", Imported(0)));
    ExpectRunRefused();
    EXPECT_TRUE(RequestedPaths("/lf").empty());
}

TEST_F(ImportTest, ListHeldOpenByAnotherProgramIsNotRead) {
    const std::string list = temp_.WriteFile("locked.txt", server_->Http("/lf?locked") + "\r\n");
    ASSERT_NO_FATAL_FAILURE(StartWithThreads(1));
    ASSERT_NO_FATAL_FAILURE(ImportList({server_->Http("/lf?before")}));
    {
        // Share mode 0: no one else may open the file while this handle lives.
        afx::UniqueFile held(::CreateFileA(list.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.valid()) << "error " << ::GetLastError();
        HWND warning = ImportExpectingWarning(list);
        ASSERT_NE(nullptr, warning);
        char expected[1024];
        std::snprintf(expected, sizeof expected, texts::kImportCannotOpen, list.c_str());
        EXPECT_EQ(expected, gui::MessageText(warning));
        ASSERT_TRUE(gui::DismissBox(warning));
        EXPECT_EQ(Imported(0), gui::Text(Status()));
    }
    // The earlier list is gone as well.
    ExpectRunRefused();
    EXPECT_TRUE(RequestedPaths("/lf").empty());
}

}  // namespace
}  // namespace batch
