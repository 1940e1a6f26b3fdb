// The output file name of a URL: lower-cased, "http://" removed, ".", "/", "#" and "?" turned
// into "_", then every other character that Windows does not allow in a file name turned into
// "_" as well, and the format's extension appended. Device names (CON, COM1, ...) get a "_"
// after them. Double-byte characters of the code page are kept whole; a byte that starts none
// becomes "_".
#pragma once

#include "afx/cstring.h"

// `extension`: ".txt" for the page's source, ".mht" for its web archive.
CString OutputFileName(const CString& url, const char* extension = ".txt");
