// Lead-byte test for the double-byte character set of the process code page.
// Kept apart so that the string class builds without Windows headers.
#pragma once

#include <cstddef>
#include <string>

namespace afx {

// True when `c` starts a two-byte character in the process's ANSI code page.
bool IsLeadByte(unsigned char c);

// True when the byte `c` (not a lead byte) is a character of the process's ANSI code page.
bool IsSingleByteChar(unsigned char c);

// True when `lead` followed by `trail` is one character of the process's ANSI code page.
bool IsDoubleByteChar(unsigned char lead, unsigned char trail);

// Length in bytes (1 or 2) of the character that starts at byte `i` of `s`; a lead byte at the
// very end of the text counts alone.
inline size_t CharLength(const std::string& s, size_t i) {
    return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

}  // namespace afx
