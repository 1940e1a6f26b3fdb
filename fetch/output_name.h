// The output file name of a URL: ASCII letters lower-cased, "http://" removed, ".", "/", "#"
// and "?" turned into "_", then every other character that Windows does not allow in a file
// name turned into "_" as well, and the format's extension appended. Device names (CON, COM1,
// ...) get a "_" after them. Double-byte characters of the code page are kept whole, in their
// case; a byte that starts none becomes "_". So two names may still be one file to Windows
// ("ПРИВЕТ" and "привет"): the batch compares them as Windows does (fetch/batch_names.h).
#pragma once

#include "afx/cstring.h"

// `extension`: ".txt" for the page's source, ".mht" for its web archive.
CString OutputFileName(const CString& url, const char* extension = ".txt");
