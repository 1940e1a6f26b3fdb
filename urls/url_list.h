// Reading a URL list file into the URL table: one URL per line, trailing white space removed,
// empty lines skipped, lines over the slot size stored as empty entries.
#pragma once

#include "afx/stdiofile.h"
#include "urls/list_encoding.h"
#include "urls/utf8_to_ansi.h"

struct UrlListResult {
    int count = 0;           // slots filled
    bool truncated = false;  // the file had more URLs than the table holds
    bool readError = false;  // reading stopped at an error
    ListEncoding encoding = ListEncoding::Ansi;
};

// Fills `table` (kUrlSlots slots of kUrlSlotSize bytes, zeroed by the caller) from `file`, in
// two passes: the first decides the encoding (see ListEncodingDetector), the second reads the
// lines. A UTF-8 list has its byte-order mark skipped and each line turned into the ANSI code
// page through `toAnsi` before it is measured against the slot size. Memory stays bounded
// whatever the size of the file or of a line.
UrlListResult ReadUrlList(CStdioFile& file, char* table, const AnsiCharEncoder& toAnsi);
