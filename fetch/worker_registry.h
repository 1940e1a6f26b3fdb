// Counts the worker threads that may still use the service object (a text page is written
// through it), so that closing the dialog can wait for them before releasing it.
#pragma once

// UI thread, before a worker thread is created.
void WorkerStarting();
// Worker thread, after its last use of the shared state (or UI thread, when the thread could
// not be created).
void WorkerFinished();
// UI thread: waits until no worker is left; false if one outlived the bound.
bool WaitForLiveWorkers();
