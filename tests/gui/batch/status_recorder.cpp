#include "tests/gui/batch/status_recorder.h"

#include <algorithm>

#include "tests/gui/driver.h"

namespace batch {

namespace {

// One WM_GETTEXT into a buffer that any text of the dialog fits: asking for the length first
// would race with a text that grows in between and read it cut off.
bool ReadText(HWND window, std::string* out) {
    char text[1024] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                               SMTO_NORMAL, 5000, &copied))
        return false;
    *out = text;
    return true;
}

}  // namespace

StatusRecorder::StatusRecorder(HWND status, HWND runButton) : m_status(status), m_run(runButton) {
    m_thread = std::thread([this] { Poll(); });
}

StatusRecorder::~StatusRecorder() {
    Stop();
}

void StatusRecorder::Stop() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
}

void StatusRecorder::Poll() {
    while (!m_stop) {
        // A window that is gone, or a program that does not answer, shows no state.
        std::string line;
        ButtonState button;
        const bool lineRead = ReadText(m_status, &line);
        const bool buttonRead = ReadText(m_run, &button.caption);
        button.enabled = ::IsWindowEnabled(m_run) != FALSE;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (lineRead && (m_lines.empty() || m_lines.back() != line)) m_lines.push_back(line);
            if (buttonRead && (m_buttons.empty() || !(m_buttons.back() == button)))
                m_buttons.push_back(button);
        }
        ::Sleep(1);
    }
}

std::vector<std::string> StatusRecorder::Lines() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lines;
}

std::vector<ButtonState> StatusRecorder::ButtonStates() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_buttons;
}

bool StatusRecorder::WaitForLines(const std::vector<std::string>& lines, DWORD timeoutMs) const {
    return gui::WaitUntil([&] { return InOrder(Lines(), lines); }, timeoutMs);
}

bool InOrder(const std::vector<std::string>& seen, const std::vector<std::string>& expected) {
    auto next = seen.begin();
    for (const std::string& wanted : expected) {
        next = std::find(next, seen.end(), wanted);
        if (next == seen.end()) return false;
        ++next;
    }
    return true;
}

std::string Readable(const std::string& text) {
    if (text.empty()) return text;
    const int length = static_cast<int>(text.size());
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring utf16(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, &utf16[0], wide);
    const int narrow =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(narrow), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, &utf8[0], narrow, nullptr, nullptr);
    return utf8;
}

std::string Listing(const std::vector<std::string>& lines) {
    std::string text = "status lines seen:\n";
    for (const std::string& line : lines) text += "  " + Readable(line) + "\n";
    return text;
}

}  // namespace batch
