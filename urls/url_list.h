// Reading a URL list file into the URL table: one URL per line, trailing white space removed,
// empty lines skipped, lines over the slot size stored as empty entries.
#pragma once

#include "afx/stdiofile.h"

struct UrlListResult {
    int count = 0;           // slots filled
    bool truncated = false;  // the file had more URLs than the table holds
    bool readError = false;  // reading stopped at an error
};

// Fills `table` (kUrlSlots slots of kUrlSlotSize bytes, zeroed by the caller) from `file`.
// A UTF-8 byte-order mark at the very start of the file is skipped.
UrlListResult ReadUrlList(CStdioFile& file, char* table);
