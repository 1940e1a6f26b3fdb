// Drives the real brindlow.exe from another process, as a user's tools would: find its
// windows, read and set texts, click, post keys, answer its boxes. Every wait polls with a
// time-out; nothing sleeps for a fixed time.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "afx/handles.h"

namespace gui {

// Long enough for a cold Wine start; a passing test never waits for it.
constexpr DWORD kWaitMs = 15000;

// Polls `condition` until it holds or `timeoutMs` have passed; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = kWaitMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(10);
    }
}

// A started program. Still running at destruction, it is ended by force, so that a failed
// test never leaves a process behind.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts `exePath` in its own folder; false (and GetLastError) when it cannot start.
    bool Start(const std::string& exePath);
    bool Running() const;
    // True when the process has ended within `timeoutMs`.
    bool WaitForExit(DWORD timeoutMs = kWaitMs);
    void Kill();

    DWORD Id() const { return m_id; }
    HANDLE Handle() const { return m_process.get(); }

private:
    afx::UniqueKernelHandle m_process;
    DWORD m_id = 0;
};

// brindlow.exe in the folder of the running test program.
std::string ProgramPath();

// --- Windows of a process --------------------------------------------------------------

// Visible top-level windows of process `pid`.
std::vector<HWND> TopLevelWindows(DWORD pid);
// The main dialog: a "#32770" captioned "Brindlow" that holds the About button (id 1015),
// which tells it apart from the warning boxes of the same caption. Null after the time-out.
HWND WaitForMainDialog(DWORD pid, DWORD timeoutMs = kWaitMs);
// A visible dialog of `pid` with this caption, other than `except`.
HWND WaitForDialog(DWORD pid, const std::string& caption, HWND except = nullptr,
                   DWORD timeoutMs = kWaitMs);
bool WaitUntilGone(HWND window, DWORD timeoutMs = kWaitMs);

// --- Controls ------------------------------------------------------------------------------

// Texts go through WM_GETTEXT and WM_SETTEXT, which Windows marshals between processes
// (GetWindowText would answer another process's cached caption).
std::string Text(HWND window);
bool SetText(HWND window, const std::string& text);
bool WaitForText(HWND window, const std::string& expected, DWORD timeoutMs = kWaitMs);
std::string ClassName(HWND window);
bool IsChecked(HWND button);

// A click that returns when the program has handled it.
bool Click(HWND button);
// A click that returns at once: for buttons that open a modal box.
bool PostClick(HWND button);
// A key press and release posted to `window`, so it passes the program's message loop and
// key filter as a typed key would (but does not change the key state of the thread).
bool PostKey(HWND window, UINT virtualKey);
bool PostChar(HWND window, char c);

// The window that has the keyboard focus in the thread of `anyWindowOfThread`.
HWND Focus(HWND anyWindowOfThread);
// Moves the focus as the dialog manager does for Tab (a push button becomes the default).
bool SetFocusTo(HWND dialog, HWND control);
bool WaitForFocus(HWND control, DWORD timeoutMs = kWaitMs);

// Close box / system menu Close.
bool PostClose(HWND topLevel);
// Alt+F4 typed on the keyboard (SendInput), with `topLevel` brought to the foreground.
bool TypeAltF4(HWND topLevel);

// --- Boxes the program opens ---------------------------------------------------------------

// A warning box: a "#32770" captioned "Brindlow" other than the main dialog.
HWND WaitForWarningBox(DWORD pid, HWND mainDialog, DWORD timeoutMs = kWaitMs);
// The message of a box: its text static (id 0xFFFF).
std::string MessageText(HWND box);
// Clicks the box's only button (OK is id 1 or, on Windows, 2) and waits until it is gone.
bool DismissBox(HWND box);

// The open-file dialog: the dialog of `pid` with a file-name box (cmb13, or edt1).
HWND WaitForFileChooser(DWORD pid, DWORD timeoutMs = kWaitMs);
// Types `path` into the file-name box, presses Open and waits until the chooser is gone.
bool ChooseFile(HWND chooser, const std::string& path);

// The folder browser: the dialog of `pid` with a folder tree.
HWND WaitForFolderBrowser(DWORD pid, DWORD timeoutMs = kWaitMs);
// Names shown on the selected tree item and its ancestors, the selection first. The tree's
// items are read through a buffer in the program's memory (`process` needs VM rights):
// tree-view messages carry pointers, which Windows does not marshal.
std::vector<std::string> SelectedFolderNames(HWND browser, HANDLE process);
// Moves the selection to the parent of the selected folder.
bool SelectParentFolder(HWND browser);
// Presses OK (IDOK) or Cancel (IDCANCEL) and waits until the dialog is gone.
bool EndDialogWith(HWND dialog, int commandId);

}  // namespace gui
