#include "tests/gui/app_fixture.h"

#include <fstream>
#include <sstream>

namespace gui {

namespace {

// Keeps the settings file found before the tests and puts it back after them, so a run of
// the tests leaves the prefix's settings as they were.
class SettingsBackup : public ::testing::Environment {
public:
    void SetUp() override {
        std::ifstream in(SettingsPath(), std::ios::binary);
        m_existed = in.good();
        std::ostringstream content;
        content << in.rdbuf();
        m_content = content.str();
    }
    void TearDown() override {
        if (m_existed)
            WriteSettings(m_content);
        else
            DeleteSettings();
    }

private:
    bool m_existed = false;
    std::string m_content;
};

// gtest owns and deletes registered environments.
::testing::Environment* const g_settingsBackup =
    ::testing::AddGlobalTestEnvironment(new SettingsBackup);

}  // namespace

std::string SettingsText(const std::string& pathout, int filetyp, int threadcount) {
    return "[Brindlow]\r\npathout=\"" + pathout + "\"\r\nfiletyp=" + std::to_string(filetyp) +
           "\r\nthreadcount=" + std::to_string(threadcount) + "\r\n";
}

void AppTest::Start(const std::string& settings) {
    WriteSettings(settings);
    StartAgain();
}

void AppTest::StartFresh() {
    DeleteSettings();
    StartAgain();
}

void AppTest::StartAgain() {
    const std::string program = ProgramUnderTest();
    ASSERT_TRUE(app_.Start(program)) << program << ": error " << GetLastError();
    dialog_ = WaitForMainDialog(app_.Id());
    ASSERT_NE(nullptr, dialog_) << "no main dialog";
}

void AppTest::Close() {
    ASSERT_TRUE(PostClose(dialog_));
    ASSERT_TRUE(app_.WaitForExit()) << "still running after the close box";
    dialog_ = nullptr;
}

std::string AppTest::WarningAfterClicking(int buttonId) {
    if (!PostClick(Item(buttonId))) return "<click failed>";
    HWND box = WaitForWarningBox(app_.Id(), dialog_);
    if (!box) return "<no warning box>";
    std::string text = MessageText(box);
    if (!DismissBox(box)) return "<box stays open>";
    return text;
}

bool AppTest::OnlyMainDialogOpen() const {
    auto windows = TopLevelWindows(app_.Id());
    return windows.size() == 1 && windows[0] == dialog_;
}

void AppTest::ImportUrls(const std::string& lines, const std::string& expectedStatus) {
    const std::string list = temp_.WriteFile("urls.txt", lines);
    ASSERT_TRUE(PostClick(Item(id::kImport)));
    HWND chooser = WaitForFileChooser(app_.Id());
    ASSERT_NE(nullptr, chooser) << "no file chooser";
    ASSERT_TRUE(ChooseFile(chooser, list));
    ASSERT_TRUE(WaitForText(Item(id::kStatus), expectedStatus)) << ItemText(id::kStatus);
}

}  // namespace gui
