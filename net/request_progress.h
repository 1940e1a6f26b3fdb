// How far one request has come, as WinInet reports it to the session's status callback and the
// read loop adds: the caller of a request thread reads it to end a wait that has gone on longer
// than the session's time-outs allow, which WinInet under Wine does not do by itself.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

namespace net {

enum class RequestStage {
    kConnecting,  // resolving the host and connecting to it
    kExchanging,  // connected: TLS handshake, sending, the answer's head and its body
};

class RequestProgress {
public:
    using Clock = std::chrono::steady_clock;

    // Registered for the status callback from here on; the time of the last step is now.
    RequestProgress();
    // Once it returns, no callback reaches this object.
    ~RequestProgress();
    RequestProgress(const RequestProgress&) = delete;
    RequestProgress& operator=(const RequestProgress&) = delete;

    // The request context that routes a request's status notifications here.
    DWORD_PTR Context() const { return m_context; }

    // A new hop begins: connecting to `server` (host:port) from now.
    void BeginHop(const std::string& server);
    // Something arrived or went out: the waits start again from now.
    void Step(RequestStage stage);
    void Step() { Step(Stage()); }

    RequestStage Stage() const { return m_stage.load(); }
    Clock::time_point LastStep() const {
        return Clock::time_point(Clock::duration(m_lastStep.load()));
    }
    std::string Server() const;

private:
    DWORD_PTR m_context;
    std::atomic<RequestStage> m_stage{RequestStage::kConnecting};
    std::atomic<Clock::rep> m_lastStep;
    mutable std::mutex m_serverLock;
    std::string m_server;
};

// The status callback every session of the program has: it moves the progress of the request
// it names by its context (any other context is not a request of ours and is ignored).
void CALLBACK OnRequestStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                              DWORD infoLength);

}  // namespace net
