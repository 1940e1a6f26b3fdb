// Bounds of one page's work, chosen for a 32-bit process running up to 20 workers at once.
#pragma once

#include <cstddef>

// Waits of the internet session: to connect, to send the request, for the answer's head and for
// each next piece of the body. WinInet under Wine ignores them, so the caller of a request
// thread enforces them too (net/http_get.cpp).
constexpr unsigned kTimeoutMs = 5000;
// A connection not established within kTimeoutMs is tried once more after this pause.
constexpr unsigned kConnectBackoffMs = 1000;
// A page body above this size is dropped. A text page holds at most its body and the text made
// from it, about twice the cap, and bodies are charged to the process's body budget
// (net/body_budget.h), so that 20 workers at the cap wait for memory rather than run out of it.
constexpr size_t kMaxBodyBytes = 16u * 1024 * 1024;
// The longest one page's work may take, whatever the server does.
constexpr unsigned kPageDeadlineMs = 60000;
// Fetching (the text page; an archive's page and resources) stops this far into the page's
// work, which leaves the rest of the page's bound for writing what arrived.
constexpr unsigned kFetchDeadlineMs = 55000;
// Redirects followed for one request, as browsers allow; one more fails the request.
constexpr int kMaxRedirects = 20;
