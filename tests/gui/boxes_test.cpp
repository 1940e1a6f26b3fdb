// The About box and the folder browser, both modal and owned by the main dialog.
#include "tests/gui/app_fixture.h"

namespace gui {
namespace {

class BoxesTest : public AppTest {
protected:
    // Opens the folder browser from "..." and waits until it shows `folder` selected, given
    // as the names of the folder and its parent.
    HWND OpenBrowserAt(const std::string& name, const std::string& parentName) {
        if (!PostClick(Item(id::kBrowse))) return nullptr;
        HWND browser = WaitForFolderBrowser(app_.Id());
        if (!browser) return nullptr;
        std::vector<std::string> names;
        WaitUntil([&] {
            names = SelectedFolderNames(browser, app_.Handle());
            return names.size() >= 2 && names[0] == name && names[1] == parentName;
        });
        EXPECT_TRUE(names.size() >= 2 && names[0] == name && names[1] == parentName)
            << "selected: " << (names.empty() ? "nothing" : names[0]);
        return browser;
    }
};

TEST_F(BoxesTest, AboutBoxIsModalAndCloses) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    ASSERT_TRUE(PostClick(Item(id::kAbout)));
    HWND about = WaitForDialog(app_.Id(), "关于 Brindlow");
    ASSERT_NE(nullptr, about);
    EXPECT_EQ(dialog_, GetWindow(about, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(dialog_)) << "the main dialog must wait for the About box";
    ASSERT_TRUE(DismissBox(about));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(dialog_) != FALSE; }));
    EXPECT_TRUE(OnlyMainDialogOpen());
    EXPECT_TRUE(app_.Running());
}

TEST_F(BoxesTest, FolderBrowserStartsAtTheFolderAndReplacesItOnlyWhenChosen) {
    const std::string parent = temp_.MakeFolder("gui-parent");
    const std::string child = temp_.MakeFolder("gui-parent\\gui-child");
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    ASSERT_TRUE(SetText(Item(id::kOutDir), child));

    HWND browser = OpenBrowserAt("gui-child", "gui-parent");
    ASSERT_NE(nullptr, browser);
    EXPECT_EQ(dialog_, GetWindow(browser, GW_OWNER));
    ASSERT_TRUE(SelectParentFolder(browser));
    ASSERT_TRUE(EndDialogWith(browser, IDCANCEL));
    EXPECT_EQ(child, ItemText(id::kOutDir)) << "cancel must leave the box alone";

    browser = OpenBrowserAt("gui-child", "gui-parent");
    ASSERT_NE(nullptr, browser);
    ASSERT_TRUE(SelectParentFolder(browser));
    ASSERT_TRUE(EndDialogWith(browser, IDOK));
    EXPECT_EQ(parent, ItemText(id::kOutDir));
    EXPECT_TRUE(OnlyMainDialogOpen());
}

}  // namespace
}  // namespace gui
