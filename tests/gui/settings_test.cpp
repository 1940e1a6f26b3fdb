// The three settings: loaded into the form when the dialog opens, saved from the form,
// unchecked, when it closes.
#include <windows.h>

#include "afx/handles.h"
#include "tests/gui/app_fixture.h"

namespace gui {
namespace {

class SettingsTest : public AppTest {};

// Extends the settings file to `size` bytes with zeros (sparse on the host: it costs no disk).
bool ExtendSettings(LONGLONG size) {
    afx::UniqueFile file(
        CreateFileA(SettingsPath().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = size;
    return file && SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) &&
           SetEndOfFile(file.get());
}

std::string SettingsStart(DWORD length) {
    afx::UniqueFile file(CreateFileA(SettingsPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    std::string start(length, '\0');
    DWORD got = 0;
    if (!file || !ReadFile(file.get(), &start[0], length, &got, nullptr)) return std::string();
    start.resize(got);
    return start;
}

LONGLONG SettingsSize() {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(SettingsPath().c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

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

// A settings file of hundreds of MB is not read (it would exhaust memory at every start): the
// program starts with the defaults, and the file, which may hold what someone needs, is kept
// as it was rather than replaced by three keys. A file just under the bound is still read.
TEST_F(SettingsTest, HugeFileIsNeitherReadNorReplaced) {
    const std::string text = SettingsText("D:\\out", 1, 7);
    const LONGLONG huge = 300LL * 1024 * 1024;
    WriteSettings(text);
    ASSERT_TRUE(ExtendSettings(huge));
    ASSERT_NO_FATAL_FAILURE(StartAgain());
    EXPECT_EQ("1", ItemText(id::kThreads));
    EXPECT_EQ("", ItemText(id::kOutDir));
    ASSERT_TRUE(SetText(Item(id::kThreads), "12"));
    ASSERT_NO_FATAL_FAILURE(Close());
    EXPECT_EQ(huge, SettingsSize());
    EXPECT_EQ(text, SettingsStart(static_cast<DWORD>(text.size()))) << "the old content is kept";

    WriteSettings(text);
    ASSERT_TRUE(ExtendSettings(1024 * 1024 - 1));
    ASSERT_NO_FATAL_FAILURE(StartAgain());
    EXPECT_EQ("7", ItemText(id::kThreads));
    ASSERT_NO_FATAL_FAILURE(Close());
}

}  // namespace
}  // namespace gui
