// The internet sessions of the program: a worker's, and an archive's own.
#pragma once

#include <memory>

#include "afx/inet.h"

namespace net {

// Connections WinInet opens at once to one server, for HTTP/1.1 and HTTP/1.0 servers alike:
// enough for 20 workers each fetching a page and 6 archive resources, plus the request
// threads a hostile server may still hold (net/request_threads.h caps those).
constexpr DWORD kMaxConnectionsPerServer = 512;

// Raises WinInet's process-wide per-server connection caps (6, or 2 on dial-up, on Windows)
// to the figure above. Idempotent; OpenSession calls it before the first session opens.
bool RaiseConnectionCaps();

// A session with the program's waits and retries (net/session_options.h) whose requests report
// their progress (net/request_progress.h). Shared, because a request thread the caller leaves
// behind keeps using it. Throws CInternetException when WinInet cannot open one.
std::shared_ptr<CInternetSession> OpenSession();

}  // namespace net
