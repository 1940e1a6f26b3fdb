#include "fetch/output_name.h"

#include <cstring>

#include "afx/dbcs.h"

namespace {

bool IsForbiddenInFileName(unsigned char c) {
    return c < 0x20 || std::strchr(":*\"<>|\\", c) != nullptr;
}

// CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9, in any case.
bool IsDeviceName(const CString& stem) {
    static const char* const kNames[] = {"con", "prn", "aux", "nul"};
    CString lower(stem);
    lower.MakeLower();
    for (const char* name : kNames)
        if (lower == name) return true;
    const char* s = lower.GetString();
    return lower.GetLength() == 4 &&
           (std::strncmp(s, "com", 3) == 0 || std::strncmp(s, "lpt", 3) == 0) && s[3] >= '1' &&
           s[3] <= '9';
}

// A byte that is no whole character of the code page becomes "_": Windows would otherwise
// read a lead byte together with the next byte, swallowing a "/" or the "." of the extension,
// and would turn a byte that maps to nothing into "?" or fail the name.
std::string WithoutBrokenCharacters(const std::string& text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (afx::IsLeadByte(c)) {
            if (i + 1 < out.size() &&
                afx::IsDoubleByteChar(c, static_cast<unsigned char>(out[i + 1])))
                ++i;
            else
                out[i] = '_';
        } else if (!afx::IsSingleByteChar(c)) {
            out[i] = '_';
        }
    }
    return out;
}

}  // namespace

CString OutputFileName(const CString& url, const char* extension) {
    CString name(WithoutBrokenCharacters(url.str()));
    name.MakeLower();
    name.Replace("http://", "");
    name.Replace(".", "_");
    name.Replace("/", "_");
    name.Replace("#", "_");
    name.Replace("?", "_");

    // Walk whole characters so that a trail byte of a double-byte character is kept as it is.
    std::string safe = name.str();
    for (size_t i = 0; i < safe.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(safe[i]);
        if (afx::IsLeadByte(c) && i + 1 < safe.size())
            ++i;
        else if (IsForbiddenInFileName(c))
            safe[i] = '_';
    }
    CString stem(safe);
    if (IsDeviceName(stem)) stem += "_";
    return stem + extension;
}
