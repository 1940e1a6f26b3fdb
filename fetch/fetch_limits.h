// Bounds of one page's work, chosen for a 32-bit process running up to 20 workers at once.
#pragma once

#include <cstddef>

// Waits of the internet session (connect, send, each receive).
constexpr unsigned kTimeoutMs = 5000;
// A page body above this size is dropped. A worker holds at most about four times the cap at
// once (the body, its text with CR LF line ends, and one rewrite of that text); 20 workers then
// stay near 1.3 GB, inside the address space of a 32-bit process.
constexpr size_t kMaxBodyBytes = 16u * 1024 * 1024;
// The longest one page's work may take, whatever the server does; a slow trickle is cut off.
constexpr unsigned kPageDeadlineMs = 60000;
// How long closing the dialog waits for live workers: a worker ends within its page deadline
// plus one last bounded wait and its clean-up.
constexpr unsigned kWorkerBoundMs = kPageDeadlineMs + kTimeoutMs;
constexpr unsigned kWorkerBoundMarginMs = 10000;
