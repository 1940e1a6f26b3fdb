// The one service object, shared by the dialog and the workers: created when the dialog opens
// and deleted when it closes, after the last worker has finished (fetch/worker_registry.h).
#pragma once

class CCore;

extern CCore* g_core;
