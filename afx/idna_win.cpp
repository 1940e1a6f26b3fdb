#include "afx/idna.h"

#include <windows.h>

#include "afx/codepage.h"

namespace afx {

namespace {

bool IsAscii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool LabelToAscii(const std::string& utf8Label, std::string& out) {
    std::wstring wide = Utf8ToWide(utf8Label);
    if (wide.empty()) return false;
    // No flags: unassigned code points are refused, and labels may hold "_" and the other
    // ASCII that the URL parser itself judges afterwards.
    int n = ::IdnToAscii(0, wide.data(), static_cast<int>(wide.size()), nullptr, 0);
    if (n <= 0) return false;
    std::wstring ascii(static_cast<size_t>(n), L'\0');
    n = ::IdnToAscii(0, wide.data(), static_cast<int>(wide.size()), &ascii[0], n);
    if (n <= 0) return false;
    ascii.resize(static_cast<size_t>(n));
    for (wchar_t c : ascii) {
        if (c == 0 || c >= 0x80) return false;
        out += static_cast<char>(c);
    }
    return true;
}

}  // namespace

bool IdnaToAscii(const std::string& utf8Host, std::string& asciiHost) {
    // Label by label: IdnToAscii refuses empty labels and labels over 63 characters, which
    // browsers accept (they do not check DNS lengths). Plain ASCII labels need no conversion.
    // Dots other than "." (U+3002 and its kin) are mapped by the conversion of the label.
    asciiHost.clear();
    size_t start = 0;
    for (;;) {
        size_t dot = utf8Host.find('.', start);
        std::string label = utf8Host.substr(start, dot == std::string::npos ? dot : dot - start);
        bool plain = IsAscii(label) && label.compare(0, 4, "xn--") != 0;
        if (plain)
            asciiHost += label;
        else if (!LabelToAscii(label, asciiHost))
            return false;
        if (dot == std::string::npos) break;
        asciiHost += '.';
        start = dot + 1;
    }
    return true;
}

}  // namespace afx
