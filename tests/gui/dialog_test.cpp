// The main dialog as it opens: caption, frame, the twelve controls, the focus, a first start.
#include <cctype>

#include "tests/gui/app_fixture.h"

namespace gui {
namespace {

struct ControlRow {
    int id;
    const char* className;
    const char* text;
    DWORD style;       // beyond WS_CHILD | WS_VISIBLE
    int x, y, cx, cy;  // dialog units
};

// The template, in Z order (which is also the tab order).
const ControlRow kControls[] = {
    {1015, "Button", "关于", BS_PUSHBUTTON | WS_TABSTOP, 263, 150, 50, 14},
    {1010, "Edit", "1", WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_CENTER | ES_AUTOHSCROLL, 53, 7, 37,
     14},
    {1012, "Edit", "", WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 53, 24, 234, 14},
    {1013, "Button", "...", BS_PUSHBUTTON | WS_TABSTOP, 290, 23, 23, 14},
    {1016, "Button", "HTML源文件", BS_AUTORADIOBUTTON, 77, 63, 56, 10},
    {1017, "Button", "mht文件", BS_AUTORADIOBUTTON, 77, 78, 44, 10},
    {1005, "Button", "导入网址", BS_PUSHBUTTON | WS_TABSTOP, 53, 114, 50, 14},
    {1003, "Button", "执行", BS_PUSHBUTTON | WS_TABSTOP, 109, 114, 50, 14},
    {1008, "Static", "就绪", SS_LEFT | WS_GROUP, 7, 156, 202, 8},
    {-1, "Static", "线程数量：", SS_LEFT | WS_GROUP, 7, 10, 41, 8},
    {-1, "Static", "输出路径：", SS_LEFT | WS_GROUP, 7, 27, 41, 8},
    {-1, "Button", "输出格式", BS_GROUPBOX, 53, 44, 106, 56},
};

// Dialog base units of the template's font, 9 point "宋体", made here as the dialog manager
// makes it for the program (same prefix, same fonts), and measured as it measures them:
// the average width of the 52 Latin letters, and the font's height.
SIZE FontBaseUnits() {
    HDC screen = GetDC(nullptr);
    LOGFONTA font = {};
    font.lfHeight = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
    font.lfWeight = 0;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(font.lfFaceName, "宋体");
    HFONT handle = CreateFontIndirectA(&font);
    HGDIOBJ old = SelectObject(screen, handle);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(screen, &metrics);
    SIZE letters = {};
    const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32A(screen, kLetters, 52, &letters);
    SelectObject(screen, old);
    DeleteObject(handle);
    ReleaseDC(nullptr, screen);
    return SIZE{(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

RECT ClientRectOf(HWND control, HWND dialog) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Hex(DWORD value) {
    char text[16];
    wsprintfA(text, "0x%08lX", value);
    return text;
}

class DialogTest : public AppTest {};

TEST_F(DialogTest, MatchesTheTemplate) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    EXPECT_EQ("Brindlow", Text(dialog_));

    const DWORD style = GetWindowLongA(dialog_, GWL_STYLE);
    const DWORD wanted =
        WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
    EXPECT_EQ(wanted, style & wanted) << Hex(style);
    EXPECT_EQ(0u, style & (WS_MAXIMIZEBOX | WS_THICKFRAME | WS_DISABLED)) << Hex(style);
    EXPECT_TRUE(GetWindowLongA(dialog_, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    // Pixels are compared, not dialog units: each template number is turned into pixels
    // with the font's base units, by the dialog manager's rounding (MulDiv), and must equal
    // what the window shows exactly. MapDialogRect cannot be asked across processes.
    const SIZE base = FontBaseUnits();
    RECT client;
    GetClientRect(dialog_, &client);
    EXPECT_EQ(MulDiv(320, base.cx, 4), client.right) << "base " << base.cx << "x" << base.cy;
    EXPECT_EQ(MulDiv(171, base.cy, 8), client.bottom) << "base " << base.cx << "x" << base.cy;

    HWND control = GetWindow(dialog_, GW_CHILD);
    int place = 0;
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE("control " + std::to_string(++place) + " of the Z order");
        ASSERT_NE(nullptr, control) << "fewer than twelve controls";
        EXPECT_EQ(row.id, static_cast<int>(GetWindowLongA(control, GWL_ID)));
        EXPECT_EQ(Lower(row.className), Lower(ClassName(control)));
        EXPECT_EQ(row.text, Text(control));

        DWORD actual = GetWindowLongA(control, GWL_STYLE);
        // Edit controls trade WS_BORDER for a sunken client edge when they are created.
        if (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) actual |= WS_BORDER;
        EXPECT_EQ(Hex(WS_CHILD | WS_VISIBLE | row.style), Hex(actual));

        const RECT rect = ClientRectOf(control, dialog_);
        EXPECT_EQ(MulDiv(row.x, base.cx, 4), rect.left);
        EXPECT_EQ(MulDiv(row.y, base.cy, 8), rect.top);
        EXPECT_EQ(MulDiv(row.cx, base.cx, 4), rect.right - rect.left);
        EXPECT_EQ(MulDiv(row.cy, base.cy, 8), rect.bottom - rect.top);
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, control) << "more than twelve controls";
}

TEST_F(DialogTest, FirstStartFocusesAboutAndShowsDefaults) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    EXPECT_TRUE(WaitForFocus(Item(id::kAbout)));
    EXPECT_EQ("1", ItemText(id::kThreads));
    EXPECT_EQ("", ItemText(id::kOutDir));
    EXPECT_FALSE(IsChecked(Item(id::kFormatHtml)));
    EXPECT_FALSE(IsChecked(Item(id::kFormatMht)));
    EXPECT_EQ("就绪", ItemText(id::kStatus));
    EXPECT_EQ("执行", ItemText(id::kRun));
    EXPECT_TRUE(OnlyMainDialogOpen());
}

// A worker's report (WM_USER + 2) is also the dialog manager's DM_REPOSITION, which pulls a
// dialog back onto the screen: one that comes while the dialog stands partly off the screen
// leaves it where the user put it, and one that answers no worker changes nothing at all.
TEST_F(DialogTest, StrayReportNeitherMovesTheDialogNorTouchesTheForm) {
    ASSERT_NO_FATAL_FAILURE(StartFresh());
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_TRUE(SetWindowPos(dialog_, nullptr, screenWidth - 120, screenHeight - 80, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    RECT before;
    ASSERT_TRUE(GetWindowRect(dialog_, &before));
    ASSERT_GT(before.right, screenWidth);

    ASSERT_TRUE(PostMessageA(dialog_, WM_USER + 2, 0, 0));
    ASSERT_TRUE(PostMessageA(dialog_, WM_USER + 2, 7, -1));
    // Posted after the reports to a window of the same thread, so handled after them.
    ASSERT_TRUE(PostChar(Item(id::kThreads), '7'));
    ASSERT_TRUE(WaitUntil([&] { return ItemText(id::kThreads).find('7') != std::string::npos; }));

    RECT after;
    ASSERT_TRUE(GetWindowRect(dialog_, &after));
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ("就绪", ItemText(id::kStatus));
    EXPECT_EQ("执行", ItemText(id::kRun));
    EXPECT_TRUE(IsWindowEnabled(Item(id::kRun)));
}

}  // namespace
}  // namespace gui
