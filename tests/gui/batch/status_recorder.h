// Watches the status line and the Run button of the main dialog from a thread of its own,
// polling every millisecond or so, and keeps every distinct value in the order seen. A value
// that lasts less than one poll can be missed, so tests give the program's events room
// (pages of different delays) rather than relying on timing.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace batch {

struct ButtonState {
    std::string caption;
    bool enabled = false;
    bool operator==(const ButtonState& other) const {
        return caption == other.caption && enabled == other.enabled;
    }
};

class StatusRecorder {
public:
    StatusRecorder(HWND status, HWND runButton);
    ~StatusRecorder();
    StatusRecorder(const StatusRecorder&) = delete;
    StatusRecorder& operator=(const StatusRecorder&) = delete;

    std::vector<std::string> Lines() const;
    std::vector<ButtonState> ButtonStates() const;
    // Waits until the status line has read these lines, in this order, since recording began.
    bool WaitForLines(const std::vector<std::string>& lines, DWORD timeoutMs) const;
    // Ends the recording (the destructor does it too).
    void Stop();

private:
    void Poll();

    HWND m_status;
    HWND m_run;
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
    std::vector<ButtonState> m_buttons;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// True when `expected` occurs in `seen` in this order, other values allowed in between.
bool InOrder(const std::vector<std::string>& seen, const std::vector<std::string>& expected);
// A GBK text as UTF-8, for failure messages that a Linux terminal shows.
std::string Readable(const std::string& text);
// The values, one per line, for failure messages.
std::string Listing(const std::vector<std::string>& lines);

}  // namespace batch
