// Format 2 without the worker around it, so that the archive probe runs the same steps.
#pragma once

#include "afx/cstring.h"

// Deletes the file at `archivePath` when this is the batch's first worker of that name
// (fetch/batch_names.h), then has a message object fetch `url` and save it there. True when an
// archive was written; when the page cannot be fetched there is none, not even the old one,
// unless another worker of the batch wrote it. Never throws.
bool SaveMhtArchive(const CString& url, const CString& archivePath);
