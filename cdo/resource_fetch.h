// One GET of a page or resource for an archive, by the request rules of the text fetch, on a
// connection to its host that the calling thread keeps for its next requests there.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "afx/inet.h"

namespace cdo {

using Clock = std::chrono::steady_clock;

// A session of the archive's own, with the waits and retries of a worker's session. Throws
// CInternetException when WinInet cannot open one.
std::unique_ptr<CInternetSession> OpenArchiveSession();

// One thread's connections, one per host and port. WinInet keeps the TCP connections of a
// session alive, so requests to one host reuse them.
class CHostConnections {
public:
    explicit CHostConnections(CInternetSession& session) : m_session(session) {}
    CHostConnections(const CHostConnections&) = delete;
    CHostConnections& operator=(const CHostConnections&) = delete;

    // Throws CInternetException when no connection can be made.
    CHttpConnection& For(const CString& host, INTERNET_PORT port);

private:
    CInternetSession& m_session;
    std::map<std::string, std::unique_ptr<CHttpConnection>> m_connections;
};

struct FetchedResource {
    std::string finalUrl;     // where redirects led
    std::string contentType;  // as the server sent it; empty when it sent none
    std::string body;         // the bytes as they came
};

// True when `url` (http or https) answered 200 after redirects, with a body of at most
// `maxBytes` that arrived before `deadline`. Any other outcome is false, never an exception
// of the internet classes.
bool FetchResource(CHostConnections& connections, const std::string& url, size_t maxBytes,
                   Clock::time_point deadline, FetchedResource& out);

}  // namespace cdo
