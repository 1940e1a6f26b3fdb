#include "afx/dbcs.h"

#include <windows.h>

namespace afx {

bool IsLeadByte(unsigned char c) {
    return ::IsDBCSLeadByte(c) != FALSE;
}

bool IsSingleByteChar(unsigned char c) {
    if (c < 0x80) return true;
    const char byte = static_cast<char>(c);
    wchar_t wide[2];
    return !IsLeadByte(c) &&
           ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, wide, 2) == 1;
}

bool IsDoubleByteChar(unsigned char lead, unsigned char trail) {
    if (!IsLeadByte(lead)) return false;
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    wchar_t wide[2];
    return ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, wide, 2) == 1;
}

}  // namespace afx
