// Counts the worker threads that may still read the shared state (output folder, format, URL
// table, core object), so that closing the dialog can wait for them before releasing it.
#pragma once

// UI thread, before a worker thread is created.
void WorkerStarting();
// Worker thread, after its last use of the shared state (or UI thread, when the thread could
// not be created).
void WorkerFinished();
// UI thread: waits until no worker is left; false if one outlived the bound.
bool WaitForLiveWorkers();
