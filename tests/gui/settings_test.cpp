// The three settings: loaded into the form when the dialog opens, saved from the form,
// unchecked, when it closes.
#include "tests/gui/app_fixture.h"

namespace gui {
namespace {

class SettingsTest : public AppTest {};

TEST_F(SettingsTest, FirstStartSavesTheDefaultsItShows) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    ASSERT_NO_FATAL_FAILURE(Close());
    ASSERT_TRUE(SettingsExist());
    EXPECT_EQ("1", SettingValue("threadcount"));
    EXPECT_EQ("", SettingValue("pathout"));
    EXPECT_EQ("2", SettingValue("filetyp")) << "no format checked reads as format 2";
}

TEST_F(SettingsTest, FormAtCloseComesBackAtNextStart) {
    // Kept as typed: not a folder that exists, Chinese text, a trailing blank.
    const std::string folder = "C:\\下载\\网页 ";
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    ASSERT_TRUE(SetText(Item(id::kThreads), "12"));
    ASSERT_TRUE(SetText(Item(id::kOutDir), folder));
    ASSERT_TRUE(Click(Item(id::kFormatMht)));
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ("12", SettingValue("threadcount"));
    EXPECT_EQ("2", SettingValue("filetyp"));

    ASSERT_NO_FATAL_FAILURE(StartAgain());
    EXPECT_EQ("12", ItemText(id::kThreads));
    EXPECT_EQ(folder, ItemText(id::kOutDir));
    EXPECT_FALSE(IsChecked(Item(id::kFormatHtml)));
    EXPECT_TRUE(IsChecked(Item(id::kFormatMht)));

    // A count of 0 is saved as read, and shown as 1 at the next start.
    ASSERT_TRUE(SetText(Item(id::kThreads), "0"));
    ASSERT_TRUE(Click(Item(id::kFormatHtml)));
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ("0", SettingValue("threadcount"));
    EXPECT_EQ("1", SettingValue("filetyp"));

    ASSERT_NO_FATAL_FAILURE(StartAgain());
    EXPECT_EQ("1", ItemText(id::kThreads));
    EXPECT_TRUE(IsChecked(Item(id::kFormatHtml)));
    EXPECT_FALSE(IsChecked(Item(id::kFormatMht)));
}

TEST_F(SettingsTest, StoredValuesAreShownAsTheyAre) {
    ASSERT_NO_FATAL_FAILURE(Start(SettingsText("D:\\out", 1, 20)));
    EXPECT_EQ("20", ItemText(id::kThreads));
    EXPECT_EQ("D:\\out", ItemText(id::kOutDir));
    EXPECT_TRUE(IsChecked(Item(id::kFormatHtml)));
    ASSERT_NO_FATAL_FAILURE(Close());

    // An unknown format checks neither button; a negative count is shown as 1.
    ASSERT_NO_FATAL_FAILURE(Start(SettingsText("D:\\out", 7, -3)));
    EXPECT_EQ("1", ItemText(id::kThreads));
    EXPECT_FALSE(IsChecked(Item(id::kFormatHtml)));
    EXPECT_FALSE(IsChecked(Item(id::kFormatMht)));
}

}  // namespace
}  // namespace gui
