// Run checks the form before a batch: the thread count from 1 to 20, then an existing
// output folder; a refusal warns, moves the focus to the field to correct and starts nothing.
#include "tests/gui/app_fixture.h"

namespace gui {
namespace {

const char kThreadCountWarning[] = "线程数量必须为1到20之间的整数！";
const char kFolderWarning[] = "保存路径无效！";
const char kImportedOne[] = "共导入 1 条网址！";
// Nothing listens there: an accepted batch ends after one quick failure.
const char kUrlList[] = "http://127.0.0.1:1/nothing\r\n";

class FormTest : public AppTest {
protected:
    // A valid form (thread count 25 aside, which the first Run refuses) and one URL.
    void StartWithOneUrl() {
        ASSERT_NO_FATAL_FAILURE(Start(SettingsText(temp_.Path(), 1, 25)));
        ASSERT_NO_FATAL_FAILURE(ImportUrls(kUrlList, kImportedOne));
    }
    // Run did not start a batch.
    void ExpectNoBatch() {
        EXPECT_EQ("执行", ItemText(id::kRun));
        EXPECT_EQ(kImportedOne, ItemText(id::kStatus));
        EXPECT_TRUE(OnlyMainDialogOpen());
    }
};

TEST_F(FormTest, RunWithoutUrlsWarnsBeforeCheckingTheForm) {
    ASSERT_NO_FATAL_FAILURE(Start(SettingsText("", 0, 0)));
    ASSERT_TRUE(SetText(Item(id::kThreads), "0"));
    EXPECT_EQ("请先导入网址！", WarningAfterClicking(id::kRun));
    EXPECT_TRUE(OnlyMainDialogOpen());
    EXPECT_EQ("执行", ItemText(id::kRun));
}

TEST_F(FormTest, ThreadCountOutsideOneToTwentyIsRefused) {
    ASSERT_NO_FATAL_FAILURE(StartWithOneUrl());
    EXPECT_EQ("25", ItemText(id::kThreads)) << "a stored count above 20 is shown as it is";
    for (const char* count : {"25", "0", "21", ""}) {
        SCOPED_TRACE(std::string("thread count \"") + count + "\"");
        ASSERT_TRUE(SetText(Item(id::kThreads), count));
        ASSERT_TRUE(SetFocusTo(dialog_, Item(id::kAbout)));
        EXPECT_EQ(kThreadCountWarning, WarningAfterClicking(id::kRun));
        EXPECT_TRUE(WaitForFocus(Item(id::kThreads)));
        ExpectNoBatch();
    }
}

TEST_F(FormTest, BadThreadCountAndFolderWarnOnlyOfTheCount) {
    ASSERT_NO_FATAL_FAILURE(StartWithOneUrl());
    ASSERT_TRUE(SetText(Item(id::kThreads), "0"));
    ASSERT_TRUE(SetText(Item(id::kOutDir), temp_.Path() + "\\missing"));
    EXPECT_EQ(kThreadCountWarning, WarningAfterClicking(id::kRun));
    // The focus moves after the warning: once it is there, no second warning can follow.
    EXPECT_TRUE(WaitForFocus(Item(id::kThreads)));
    ExpectNoBatch();
}

TEST_F(FormTest, FolderThatIsNoDirectoryIsRefused) {
    ASSERT_NO_FATAL_FAILURE(StartWithOneUrl());
    const std::string file = temp_.WriteFile("not-a-folder", "x");
    ASSERT_TRUE(SetText(Item(id::kThreads), "3"));
    for (const std::string& folder : {temp_.Path() + "\\missing", file, std::string()}) {
        SCOPED_TRACE("folder \"" + folder + "\"");
        ASSERT_TRUE(SetText(Item(id::kOutDir), folder));
        EXPECT_EQ(kFolderWarning, WarningAfterClicking(id::kRun));
        EXPECT_TRUE(WaitForFocus(Item(id::kBrowse))) << "the focus belongs on \"...\"";
        ExpectNoBatch();
    }
}

TEST_F(FormTest, ThreadCountsOneToTwentyStartTheBatch) {
    ASSERT_NO_FATAL_FAILURE(StartWithOneUrl());
    for (const char* count : {"1", "20", "007"}) {
        SCOPED_TRACE(std::string("thread count \"") + count + "\"");
        ASSERT_TRUE(SetText(Item(id::kThreads), count));
        // The program writes the status line only while a batch runs: clear it to see this
        // batch end.
        ASSERT_TRUE(SetText(Item(id::kStatus), "-"));
        ASSERT_TRUE(PostClick(Item(id::kRun)));
        EXPECT_TRUE(WaitForText(Item(id::kStatus), "执行结束！")) << ItemText(id::kStatus);
        EXPECT_TRUE(WaitForText(Item(id::kRun), "开始"));
        EXPECT_TRUE(OnlyMainDialogOpen());
    }
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ("7", SettingValue("threadcount")) << "\"007\" is seven threads";
}

}  // namespace
}  // namespace gui
