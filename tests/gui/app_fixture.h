// A test that runs brindlow.exe from a known settings file and talks to its main dialog.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/gui/driver.h"
#include "tests/gui/test_files.h"

namespace gui {

// Control ids of the main dialog: the contract between the program and its users' tools.
namespace id {
constexpr int kRun = 1003;
constexpr int kImport = 1005;
constexpr int kStatus = 1008;
constexpr int kThreads = 1010;
constexpr int kOutDir = 1012;
constexpr int kBrowse = 1013;
constexpr int kAbout = 1015;
constexpr int kFormatHtml = 1016;
constexpr int kFormatMht = 1017;
}  // namespace id

// The text of a settings file that holds these three values.
std::string SettingsText(const std::string& pathout, int filetyp, int threadcount);

class AppTest : public ::testing::Test {
protected:
    // The program the test starts: the development build beside the test program, unless a
    // test of the packages names an installed or unpacked copy.
    virtual std::string ProgramUnderTest() const { return ProgramPath(); }

    // Start the program and wait for its main dialog: with `settings` as its settings file,
    // with none (a first start), or with the file as the last run left it.
    void Start(const std::string& settings);
    void StartFresh();
    void StartAgain();
    // Closes the dialog from its close box and waits for the process to end.
    void Close();

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    std::string ItemText(int id) const { return Text(Item(id)); }
    // Clicks a button that opens a warning box; the box's text, once it is dismissed.
    std::string WarningAfterClicking(int buttonId);
    // True when nothing but the main dialog is open: no box, no chooser, no browser.
    bool OnlyMainDialogOpen() const;
    // Imports a URL list file of these lines through the real file chooser.
    void ImportUrls(const std::string& lines, const std::string& expectedStatus);

    TempFolder temp_;
    Process app_;
    HWND dialog_ = nullptr;
};

}  // namespace gui
