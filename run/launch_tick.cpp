#include "run/launch_tick.h"

int LaunchTick(int next, int total, int alive, int threads, const LaunchFn& launch) {
    while (next < total && alive < threads) {
        const bool started = launch(next);
        ++next;  // handed out either way: a URL whose thread could not be started is skipped
        if (!started) break;
        ++alive;
    }
    return next;
}
