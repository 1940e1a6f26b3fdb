// The threads that requests run on. A thread that finishes its request waits a while for the
// next one: under Wine starting a thread costs milliseconds, enough to stagger a burst of
// requests. A thread whose caller left it behind rejoins them when its server lets go.
#pragma once

#include <chrono>
#include <functional>

namespace net {

using Clock = std::chrono::steady_clock;

// Request threads alive at once in the process, idle ones and those left behind at a deadline
// included: 20 workers with 6 archive fetches each use 120. Beyond it a request waits for a
// thread until its deadline, rather than exhaust the 32-bit address space.
constexpr long kMaxRequestThreads = 256;
// Address space reserved for one request thread's stack (Wine reserves at least 1 MB). The
// 32-bit build reserves as little as Windows allows, so that the cap's threads fit its address
// space; the 64-bit build has address space to spare and reserves Windows' default, room for
// 64-bit frames in WinInet's TLS.
constexpr unsigned kRequestStackBytes = sizeof(void*) == 8 ? 1024 * 1024 : 64 * 1024;
// How long an idle request thread waits for work before it ends.
constexpr unsigned kIdleThreadMs = 5000;

// Milliseconds left until `deadline`, 0 when it has passed: a wait's bound.
unsigned long MsUntil(Clock::time_point deadline);

// Runs `job` on an idle request thread, or on a new one. False when none could be had before
// `deadline`; `job` then never runs. `job` must not throw.
bool RunOnRequestThread(std::function<void()> job, Clock::time_point deadline);

// Starts request threads until `count` are idle, as far as the cap allows without waiting: a
// burst of requests that follows finds them ready.
void WarmRequestThreads(int count);

// Request threads alive now, for tests and diagnostics.
long LiveRequestThreads();

}  // namespace net
