// Servers (host:port) that a connection could not reach within the session's waits. An archive
// has its resources on a few hosts, often the same on every page (fonts, scripts, images of a
// blocked or retired host): once one is found unreachable, the further resources there fail at
// once instead of costing every page the same waits again.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace net {

// How long a server found unreachable is skipped: long enough that a batch pays its waits
// about once per two minutes rather than once per page, short enough that a host that comes
// back (a network that recovers, a VPN that connects) is tried again soon, without tying this
// to the batches of the dialog.
constexpr std::chrono::seconds kUnreachableMemory(120);

class UnreachableHosts {
public:
    using Clock = std::chrono::steady_clock;

    // A connection to `server` could not be established at `now`.
    void Remember(const std::string& server, Clock::time_point now);
    // True while `server` is remembered as unreachable.
    bool IsUnreachable(const std::string& server, Clock::time_point now);
    // `server` answered: it is never skipped for being slow.
    void Forget(const std::string& server);

private:
    std::mutex m_lock;
    std::map<std::string, Clock::time_point> m_until;
};

// The memory the process's fetches share.
UnreachableHosts& TheUnreachableHosts();

// "host:port", the key of a server; the host as WinInet is given it (lower-case ASCII).
std::string ServerKey(const std::string& host, unsigned port);

}  // namespace net
