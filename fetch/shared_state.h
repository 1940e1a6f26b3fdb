// Process-wide state shared by the dialog (which writes it between batches) and the workers
// (which read it during a batch).
#pragma once

#include "afx/cstring.h"

class CCore;

// The one service object, created when the dialog opens and deleted when it closes.
extern CCore* g_core;
// Output directory: the form's text, normalised with a trailing backslash when a batch starts.
extern CString g_outDir;
// Output format: 1 = page source as ".txt", 2 = web archive as ".mht".
extern int g_fileType;
