#include "urls/url_list.h"

#include <cstring>

#include "urls/url_table.h"

UrlListResult ReadUrlList(CStdioFile& file, char* table) {
    static const char kUtf8Bom[] = "\xEF\xBB\xBF";
    UrlListResult result;
    CString line;
    bool firstLine = true;
    while (file.ReadString(line)) {
        if (firstLine && line.GetLength() >= 3 && std::memcmp(line.GetString(), kUtf8Bom, 3) == 0)
            line = line.Mid(3);
        firstLine = false;
        line.TrimRight();
        if (line.GetLength() == 0) continue;
        if (result.count == kUrlSlots) {
            result.truncated = true;
            break;
        }
        if (line.GetLength() > kUrlMaxLength) line.Empty();
        char* slot = table + static_cast<size_t>(result.count) * kUrlSlotSize;
        std::memcpy(slot, line.GetString(), static_cast<size_t>(line.GetLength()) + 1);
        ++result.count;
    }
    result.readError = file.HadError();
    return result;
}
