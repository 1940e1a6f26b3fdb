// Bounds of one page's work, chosen for a 32-bit process running up to 20 workers at once.
#pragma once

#include <cstddef>

// Waits of the internet session (connect, send, each receive).
constexpr unsigned kTimeoutMs = 5000;
// A page body above this size is dropped: 20 workers at twice the cap (the text and its line
// ends) stay well inside the 2 GB address space.
constexpr size_t kMaxBodyBytes = 32u * 1024 * 1024;
// The longest one page's work may take, whatever the server does; a slow trickle is cut off.
constexpr unsigned kPageDeadlineMs = 60000;
// How long closing the dialog waits for live workers: a worker ends within its page deadline
// plus one last bounded wait and its clean-up.
constexpr unsigned kWorkerBoundMs = kPageDeadlineMs + kTimeoutMs;
constexpr unsigned kWorkerBoundMarginMs = 10000;
