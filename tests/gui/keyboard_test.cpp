// Keys and clicks on the main dialog: Enter and Esc do nothing, Space clicks, the radio
// buttons exclude each other, and only the title bar closes the dialog.
#include "tests/gui/app_fixture.h"

namespace gui {
namespace {

class KeyboardTest : public AppTest {};

TEST_F(KeyboardTest, EnterAndEscapeAreSwallowedEverywhere) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    // Unfiltered, Enter in an edit box ends the dialog (IDOK), Enter on a button clicks it
    // (About opens its box, Run warns), and Esc ends the dialog (IDCANCEL).
    for (int target : {id::kThreads, id::kOutDir, id::kAbout, id::kRun}) {
        // One key at a time: an Esc after a wrongly taken Enter would close the box it opened.
        for (UINT key : {VK_RETURN, VK_ESCAPE}) {
            SCOPED_TRACE("control " + std::to_string(target) + ", key " + std::to_string(key));
            ASSERT_TRUE(SetFocusTo(dialog_, Item(target)));
            ASSERT_TRUE(SetText(Item(id::kOutDir), ""));
            ASSERT_TRUE(PostKey(Item(target), key));
            // Posted messages of one thread are taken in order: once this character has
            // arrived, the key has been handled.
            ASSERT_TRUE(PostChar(Item(id::kOutDir), 'z'));
            ASSERT_TRUE(
                WaitUntil([&] { return !IsWindow(dialog_) || ItemText(id::kOutDir) == "z"; }));
            ASSERT_TRUE(IsWindow(dialog_)) << "the dialog has closed";
            EXPECT_TRUE(OnlyMainDialogOpen());
            EXPECT_EQ("执行", ItemText(id::kRun));
            EXPECT_EQ("就绪", ItemText(id::kStatus));
        }
    }
    EXPECT_TRUE(app_.Running());
}

TEST_F(KeyboardTest, SpaceClicksTheFocusedButton) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    ASSERT_TRUE(WaitForFocus(Item(id::kAbout)));
    ASSERT_TRUE(PostKey(Item(id::kAbout), VK_SPACE));
    HWND about = WaitForDialog(app_.Id(), "关于 Brindlow");
    ASSERT_NE(nullptr, about) << "Space on About opened no About box";
    ASSERT_TRUE(DismissBox(about));

    ASSERT_TRUE(SetFocusTo(dialog_, Item(id::kRun)));
    ASSERT_TRUE(PostKey(Item(id::kRun), VK_SPACE));
    HWND box = WaitForWarningBox(app_.Id(), dialog_);
    ASSERT_NE(nullptr, box) << "Space on Run showed no warning";
    EXPECT_EQ("请先导入网址！", MessageText(box));
    ASSERT_TRUE(DismissBox(box));
}

TEST_F(KeyboardTest, FormatButtonsExcludeEachOther) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    HWND html = Item(id::kFormatHtml), mht = Item(id::kFormatMht);
    ASSERT_TRUE(Click(html));
    EXPECT_TRUE(IsChecked(html));
    EXPECT_FALSE(IsChecked(mht));
    ASSERT_TRUE(Click(mht));
    EXPECT_FALSE(IsChecked(html));
    EXPECT_TRUE(IsChecked(mht));
    ASSERT_TRUE(Click(html));
    EXPECT_TRUE(IsChecked(html));
    EXPECT_FALSE(IsChecked(mht));
}

TEST_F(KeyboardTest, CloseBoxEndsTheProcess) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    ASSERT_TRUE(PostClose(dialog_));
    EXPECT_TRUE(app_.WaitForExit());
}

TEST_F(KeyboardTest, AltF4EndsTheProcess) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    ASSERT_TRUE(TypeAltF4(dialog_));
    EXPECT_TRUE(app_.WaitForExit());
}

}  // namespace
}  // namespace gui
