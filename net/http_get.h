// One HTTP GET of a page or resource, written once for the text fetch and the archiver: parse,
// connect, open, the two headers, send, status, redirects by hand, the read loop and the
// decoding of a compressed body, all bounded by the session's waits and a deadline that no
// platform call can outlast.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>

#include "afx/inet.h"
#include "net/body_budget.h"

namespace net {

using Clock = std::chrono::steady_clock;

struct GetResult {
    std::string finalUrl;     // where redirects led
    std::string contentType;  // as the server sent it; empty when it sent none
    std::string body;         // the bytes as they came, decoded if they came compressed
};

// Whether a request goes to a server (host:port) that a recent connection could not reach
// (net/unreachable_hosts.h): a page of the list always does; an archive's resources do not.
enum class UnreachableServers { kTry, kSkip };

// True when `url` (http or https) answered 200, after at most kMaxRedirects redirects, with a
// whole body of at most `maxBytes` that arrived before `deadline`. Any other outcome is false,
// never an exception of the internet classes. A body sent with a Content-Encoding comes back
// decoded, `maxBytes` holding for the decoded size; one the program cannot decode fails.
//
// The session's waits hold whatever the platform does: a connection not established within
// 5 s is tried once more after 1 s and then fails (and its server is remembered as unreachable);
// 5 s without a step of the exchange (the TLS handshake, sending, the answer's head, the next
// piece of the body) fail the request.
//
// The body's room is charged to `lease` before it is allocated (waiting, within the deadline,
// for room in the budget) and stays charged when the body is returned, until the caller gives
// it back; a failed GET gives back what it took. A compressed body's decoded size is not charged.
//
// The request runs on a request thread (net/request_threads.h) that shares the session; the
// caller waits for it until the deadline or one of those waits runs out, and then leaves it.
// WinInet may block in a call for as long as the server wants (Wine honours none of its time-outs,
// and closing a handle from another thread does not wake a call blocked on it): such a thread ends
// when the server lets go, or with the process.
bool HttpGet(const std::shared_ptr<CInternetSession>& session, const std::string& url,
             size_t maxBytes, Clock::time_point deadline, GetResult& out,
             const std::shared_ptr<BodyLease>& lease,
             UnreachableServers servers = UnreachableServers::kTry);

}  // namespace net
