// The About box, driven from the test's main thread while a second thread sits in its modal
// loop. It needs a display; without one the test is skipped.
#include "core/ccore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "afx/handles.h"

namespace {

const char kDialogClass[] = "#32770";

bool CanShowWindows() {
    HWND probe =
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (!probe) return false;
    DestroyWindow(probe);
    return true;
}

std::string Text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Runs `show` on its own thread. Returned() waits up to five seconds for it to come back; a
// box that a failed test left open is closed at the end, so that no test hangs.
class ModalRun {
public:
    template <typename F>
    explicit ModalRun(F show)
        : m_done(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_thread([this, show] {
              m_threadId = GetCurrentThreadId();
              show();
              SetEvent(m_done.get());
          }) {}
    ~ModalRun() {
        while (WaitForSingleObject(m_done.get(), 100) == WAIT_TIMEOUT)
            EnumThreadWindows(m_threadId, CloseWindow, 0);
        m_thread.join();
    }
    bool Returned() { return WaitForSingleObject(m_done.get(), 5000) == WAIT_OBJECT_0; }

    // The visible dialog window of the modal thread; null after five seconds. Looking only at
    // that thread keeps boxes of tests running in other processes out of the way.
    HWND WaitForDialog() {
        for (int i = 0; i < 100; ++i) {
            HWND found = nullptr;
            if (m_threadId)
                EnumThreadWindows(m_threadId, FindDialog, reinterpret_cast<LPARAM>(&found));
            if (found) return found;
            Sleep(50);
        }
        return nullptr;
    }

private:
    static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::string(name) != kDialogClass || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }

    static BOOL CALLBACK CloseWindow(HWND window, LPARAM) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }

    afx::UniqueKernelHandle m_done;
    std::atomic<DWORD> m_threadId{0};
    std::thread m_thread;  // last: starts once the members it uses exist
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CanShowWindows()) GTEST_SKIP() << "no display";
    }
    CCore m_core;
};

TEST_F(DialogTest, AboutBoxShowsTheProductAndClosesEveryWay) {
    const struct {
        const char* way;
        bool toButton;
        UINT message;
        WPARAM wParam;
    } ways[] = {
        {"OK", true, BM_CLICK, 0},
        {"Enter", true, WM_KEYDOWN, VK_RETURN},
        {"Esc", true, WM_KEYDOWN, VK_ESCAPE},
        {"close box", false, WM_SYSCOMMAND, SC_CLOSE},
    };
    for (const auto& way : ways) {
        ModalRun run([this] { m_core.showAbout(); });
        HWND box = run.WaitForDialog();
        ASSERT_TRUE(box) << way.way;
        EXPECT_EQ("关于 Brindlow", Text(box));
        EXPECT_EQ("Brindlow", Text(GetDlgItem(box, 1002)));
        EXPECT_EQ("版本 2.0.2.5", Text(GetDlgItem(box, 1003)));
        EXPECT_EQ("确定", Text(GetDlgItem(box, IDOK)));
        EXPECT_TRUE(SendDlgItemMessageA(box, 1001, STM_GETICON, 0, 0)) << "icon";
        PostMessageA(way.toButton ? GetDlgItem(box, IDOK) : box, way.message, way.wParam, 0);
        EXPECT_TRUE(run.Returned()) << way.way;
    }
}

}  // namespace
