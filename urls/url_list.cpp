#include "urls/url_list.h"

#include <cstring>
#include <string>
#include <vector>

#include "afx/cstring.h"
#include "url/ascii.h"
#include "urls/url_table.h"

namespace {

// Longer than any line that can still fit a slot once trimmed and converted: a UTF-8 character
// takes at most 3/2 of its bytes in a double-byte code page, so more than 300 bytes before the
// trailing blanks never fit.
constexpr size_t kKeptBytes = 4 * kUrlMaxLength;
constexpr size_t kPieceBytes = 64 * 1024;

bool AllBlank(const std::string& text) {
    for (char c : text)
        if (!ascii::IsSpace(c)) return false;
    return true;
}

ListEncodingDetector DetectEncoding(CStdioFile& file) {
    ListEncodingDetector detector;
    std::vector<char> buffer(kPieceBytes);
    size_t read;
    while ((read = file.Read(buffer.data(), buffer.size())) > 0) detector.Feed(buffer.data(), read);
    return detector;
}

// The next line: its first kKeptBytes bytes, and whether anything but blanks follows them.
bool ReadLine(CStdioFile& file, std::string& line, bool& overLong) {
    bool lineEnded = false;
    if (!file.ReadString(line, kKeptBytes, lineEnded)) return false;
    overLong = false;
    std::string rest;
    while (!lineEnded && file.ReadString(rest, kPieceBytes, lineEnded))
        if (!AllBlank(rest)) overLong = true;
    return !file.HadError();
}

}  // namespace

UrlListResult ReadUrlList(CStdioFile& file, char* table, const AnsiCharEncoder& toAnsi) {
    UrlListResult result;
    ListEncodingDetector detector = DetectEncoding(file);
    if (file.HadError() || !file.SeekToBegin()) {
        result.readError = true;
        return result;
    }
    result.encoding = detector.Result();
    const bool utf8 = result.encoding == ListEncoding::Utf8;

    std::string text;
    bool overLong = false;
    bool firstLine = true;
    while (ReadLine(file, text, overLong)) {
        if (firstLine && detector.StartsWithByteOrderMark()) text.erase(0, 3);
        firstLine = false;
        CString line;
        if (overLong) {
            line.Empty();
        } else {
            if (utf8) text = Utf8ToAnsi(text, toAnsi);
            line = CString(std::move(text));
            line.TrimRight();
            if (line.GetLength() == 0) continue;
        }
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
