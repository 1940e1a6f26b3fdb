// What one tick of the scheduler hands out: URLs in order, one worker each, while fewer
// workers than the thread count are alive.
#pragma once

#include <functional>

// Starts a worker on URL `index`; false when no thread could be created for it.
using LaunchFn = std::function<bool(int index)>;

// Launches workers for URLs from `next` on while `next` < `total` and fewer than `threads`
// are alive (`alive` now, plus those started here). A launch that fails skips its URL and
// ends the tick: a shortage of threads often passes, so it costs at most one URL per tick
// instead of every URL left. Returns the next URL to hand out.
int LaunchTick(int next, int total, int alive, int threads, const LaunchFn& launch);
