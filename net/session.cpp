#include "net/session.h"

#include "net/request_progress.h"
#include "net/session_options.h"

namespace net {

bool RaiseConnectionCaps() {
    DWORD caps = kMaxConnectionsPerServer;
    // A null handle sets the process-wide value, which sessions opened later take.
    bool http11 = ::InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &caps,
                                       sizeof caps) != FALSE;
    bool http10 = ::InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER, &caps,
                                       sizeof caps) != FALSE;
    return http11 && http10;
}

std::shared_ptr<CInternetSession> OpenSession() {
    // Thread-safe once: workers open their sessions concurrently.
    static const bool capsRaised = RaiseConnectionCaps();
    (void)capsRaised;  // without it requests only queue on Windows: nothing to stop for
    auto session = std::make_shared<CInternetSession>(nullptr, 1, INTERNET_OPEN_TYPE_PRECONFIG,
                                                      nullptr, nullptr, 0);
    SetSessionOptions(*session);
    // Requests report their steps, which is how a wait that WinInet lets run on is ended.
    session->SetStatusHandler(&OnRequestStatus);
    return session;
}

}  // namespace net
