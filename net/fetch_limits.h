// Bounds of one page's work, chosen for a 32-bit process running up to 20 workers at once.
#pragma once

#include <cstddef>

// Waits of the internet session (connect, send, each receive). Some WinInet implementations
// (Wine's) ignore them; the request thread's deadline bounds the work there.
constexpr unsigned kTimeoutMs = 5000;
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
// How long closing the dialog waits for live workers: a worker ends within its page's bound;
// the margin covers a loaded machine.
constexpr unsigned kWorkerBoundMs = kPageDeadlineMs;
constexpr unsigned kWorkerBoundMarginMs = 5000;
