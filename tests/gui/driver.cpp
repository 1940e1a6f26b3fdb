#include "tests/gui/driver.h"

#include <commctrl.h>
#include <dlgs.h>

#include <cstring>

namespace gui {

namespace {

// A single message to another process never takes this long unless the program hangs.
const UINT kSendTimeoutMs = 5000;

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs,
                               result ? result : &ignored) != 0;
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Caption as the window manager keeps it; enough for top-level windows, which own theirs.
std::string Caption(HWND window) {
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    return caption;
}

bool IsDialogClass(HWND window) {
    return ClassName(window) == "#32770";
}

struct FoundChild {
    const char* className;
    HWND window;
};

BOOL CALLBACK MatchChildClass(HWND child, LPARAM param) {
    auto* found = reinterpret_cast<FoundChild*>(param);
    if (ClassName(child) != found->className) return TRUE;
    found->window = child;
    return FALSE;
}

// The first descendant of `parent` of class `className`, at any depth.
HWND FindDescendant(HWND parent, const char* className) {
    FoundChild found = {className, nullptr};
    EnumChildWindows(parent, MatchChildClass, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

// The first dialog of `pid` that `accept` takes.
template <typename Accept>
HWND WaitForDialogWhere(DWORD pid, Accept accept, DWORD timeoutMs) {
    HWND result = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(pid))
                if (IsDialogClass(window) && accept(window)) {
                    result = window;
                    return true;
                }
            return false;
        },
        timeoutMs);
    return result;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    auto* wanted = reinterpret_cast<std::pair<DWORD, std::vector<HWND>*>*>(param);
    if (IsWindowVisible(window) && ProcessOf(window) == wanted->first)
        wanted->second->push_back(window);
    return TRUE;
}

LPARAM KeyParam(UINT virtualKey, bool up) {
    LPARAM param = 1 | (static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16);
    if (up) param |= (1u << 30) | (1u << 31);
    return param;
}

// Memory in another process, released with the owner.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : m_process(process),
          m_address(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (m_address) VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    char* Address() const { return static_cast<char*>(m_address); }

private:
    HANDLE m_process;
    void* m_address;
};

HTREEITEM TreeItem(HWND tree, WPARAM relation, HTREEITEM from) {
    DWORD_PTR item = 0;
    if (!Send(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(from), &item))
        return nullptr;
    return reinterpret_cast<HTREEITEM>(item);
}

bool TreeItemText(HWND tree, HANDLE process, HTREEITEM item, std::string* text) {
    const int kTextSize = 1024;
    RemoteBuffer buffer(process, sizeof(TVITEMA) + kTextSize);
    if (!buffer.Address()) return false;
    char* remoteText = buffer.Address() + sizeof(TVITEMA);
    TVITEMA request = {};
    request.mask = TVIF_TEXT | TVIF_HANDLE;
    request.hItem = item;
    request.pszText = remoteText;
    request.cchTextMax = kTextSize;
    if (!WriteProcessMemory(process, buffer.Address(), &request, sizeof request, nullptr))
        return false;
    DWORD_PTR ok = 0;
    if (!Send(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(buffer.Address()), &ok) || !ok)
        return false;
    char local[kTextSize] = {};
    if (!ReadProcessMemory(process, remoteText, local, kTextSize - 1, nullptr)) return false;
    *text = local;
    return true;
}

}  // namespace

// --- Process ---------------------------------------------------------------------------------

Process::~Process() {
    Kill();
}

bool Process::Start(const std::string& exePath) {
    Kill();
    std::string folder = exePath.substr(0, exePath.find_last_of("\\/") + 1);
    std::string commandLine = "\"" + exePath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return false;
    afx::UniqueKernelHandle thread(info.hThread);  // not needed, only closed
    m_process.reset(info.hProcess);
    m_id = info.dwProcessId;
    // The dialog is looked for by polling; this only saves polls while the program loads.
    WaitForInputIdle(info.hProcess, kWaitMs);
    return true;
}

bool Process::Running() const {
    return m_process && WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD timeoutMs) {
    return !m_process || WaitForSingleObject(m_process.get(), timeoutMs) == WAIT_OBJECT_0;
}

void Process::Kill() {
    if (Running()) {
        TerminateProcess(m_process.get(), 1);
        WaitForSingleObject(m_process.get(), kWaitMs);
    }
    m_process.reset();
    m_id = 0;
}

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string own(path, length);
    return own.substr(0, own.find_last_of("\\/") + 1) + "brindlow.exe";
}

// --- Windows of a process --------------------------------------------------------------------

std::vector<HWND> TopLevelWindows(DWORD pid) {
    std::vector<HWND> windows;
    std::pair<DWORD, std::vector<HWND>*> wanted(pid, &windows);
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&wanted));
    return windows;
}

HWND WaitForMainDialog(DWORD pid, DWORD timeoutMs) {
    return WaitForDialogWhere(
        pid, [](HWND w) { return Caption(w) == "Brindlow" && GetDlgItem(w, 1015) != nullptr; },
        timeoutMs);
}

HWND WaitForDialog(DWORD pid, const std::string& caption, HWND except, DWORD timeoutMs) {
    return WaitForDialogWhere(
        pid, [&](HWND w) { return w != except && Caption(w) == caption; }, timeoutMs);
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window); }, timeoutMs);
}

// --- Controls --------------------------------------------------------------------------------

std::string Text(HWND window) {
    // Asked until the buffer holds the whole text, each time in one WM_GETTEXT: a length asked
    // for separately could belong to an older text than the one copied.
    for (size_t size = 4096;; size *= 4) {
        std::vector<char> buffer(size, '\0');
        DWORD_PTR copied = 0;
        if (!Send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                  &copied))
            return std::string();
        if (copied + 1 < buffer.size() || size >= (1u << 24)) return std::string(buffer.data());
    }
}

bool SetText(HWND window, const std::string& text) {
    DWORD_PTR ok = 0;
    return Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &ok) && ok;
}

bool WaitForText(HWND window, const std::string& expected, DWORD timeoutMs) {
    return WaitUntil([&] { return Text(window) == expected; }, timeoutMs);
}

std::string ClassName(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsChecked(HWND button) {
    DWORD_PTR state = 0;
    return Send(button, BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

bool Click(HWND button) {
    return Send(button, BM_CLICK, 0, 0);
}

bool PostClick(HWND button) {
    return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool PostKey(HWND window, UINT virtualKey) {
    return PostMessageA(window, WM_KEYDOWN, virtualKey, KeyParam(virtualKey, false)) &&
           PostMessageA(window, WM_KEYUP, virtualKey, KeyParam(virtualKey, true));
}

bool PostChar(HWND window, char c) {
    return PostMessageA(window, WM_CHAR, static_cast<unsigned char>(c), 1) != 0;
}

HWND Focus(HWND anyWindowOfThread) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(anyWindowOfThread, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

bool SetFocusTo(HWND dialog, HWND control) {
    return Send(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE) &&
           WaitForFocus(control);
}

bool WaitForFocus(HWND control, DWORD timeoutMs) {
    return WaitUntil([&] { return Focus(control) == control; }, timeoutMs);
}

bool PostClose(HWND topLevel) {
    return PostMessageA(topLevel, WM_SYSCOMMAND, SC_CLOSE, 0) != 0;
}

bool TypeAltF4(HWND topLevel) {
    // Typed keys go to the foreground window; posted ones would not set the Alt state.
    SetForegroundWindow(topLevel);
    if (!WaitUntil([&] { return GetForegroundWindow() == topLevel; })) return false;
    INPUT keys[4] = {};
    const WORD sequence[4][2] = {
        {VK_MENU, 0}, {VK_F4, 0}, {VK_F4, KEYEVENTF_KEYUP}, {VK_MENU, KEYEVENTF_KEYUP}};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = sequence[i][0];
        keys[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(sequence[i][0], MAPVK_VK_TO_VSC));
        keys[i].ki.dwFlags = sequence[i][1];
    }
    return SendInput(4, keys, sizeof(INPUT)) == 4;
}

// --- Boxes the program opens -----------------------------------------------------------------

HWND WaitForWarningBox(DWORD pid, HWND mainDialog, DWORD timeoutMs) {
    return WaitForDialog(pid, "Brindlow", mainDialog, timeoutMs);
}

std::string MessageText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? Text(text) : std::string();
}

bool DismissBox(HWND box) {
    HWND button = GetDlgItem(box, IDOK);
    if (!button) button = GetDlgItem(box, IDCANCEL);
    // Posted: the box ends its own modal loop, and the program may go on to open another.
    return button && PostClick(button) && WaitUntilGone(box);
}

HWND WaitForFileChooser(DWORD pid, DWORD timeoutMs) {
    return WaitForDialogWhere(
        pid, [](HWND w) { return GetDlgItem(w, cmb13) || GetDlgItem(w, edt1); }, timeoutMs);
}

bool ChooseFile(HWND chooser, const std::string& path) {
    HWND nameBox = GetDlgItem(chooser, cmb13);
    HWND edit = nameBox ? FindWindowExA(nameBox, nullptr, "Edit", nullptr) : nullptr;
    if (!edit) edit = nameBox ? nameBox : GetDlgItem(chooser, edt1);
    if (!edit || !SetText(edit, path)) return false;
    return EndDialogWith(chooser, IDOK);
}

HWND WaitForFolderBrowser(DWORD pid, DWORD timeoutMs) {
    return WaitForDialogWhere(
        pid, [](HWND w) { return FindDescendant(w, WC_TREEVIEWA) != nullptr; }, timeoutMs);
}

std::vector<std::string> SelectedFolderNames(HWND browser, HANDLE process) {
    std::vector<std::string> names;
    HWND tree = FindDescendant(browser, WC_TREEVIEWA);
    if (!tree) return names;
    for (HTREEITEM item = TreeItem(tree, TVGN_CARET, nullptr); item;
         item = TreeItem(tree, TVGN_PARENT, item)) {
        std::string name;
        if (!TreeItemText(tree, process, item, &name)) return {};
        names.push_back(name);
    }
    return names;
}

bool SelectParentFolder(HWND browser) {
    HWND tree = FindDescendant(browser, WC_TREEVIEWA);
    if (!tree) return false;
    HTREEITEM parent = TreeItem(tree, TVGN_PARENT, TreeItem(tree, TVGN_CARET, nullptr));
    DWORD_PTR ok = 0;
    return parent &&
           Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(parent), &ok) && ok;
}

bool EndDialogWith(HWND dialog, int commandId) {
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, commandId))) &&
           WaitUntilGone(dialog);
}

}  // namespace gui
