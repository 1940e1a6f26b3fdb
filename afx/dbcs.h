// Lead-byte test for the double-byte character set of the process code page.
// Kept apart so that the string class builds without Windows headers.
#pragma once

namespace afx {

// True when `c` starts a two-byte character in the process's ANSI code page.
bool IsLeadByte(unsigned char c);

// True when the byte `c` (not a lead byte) is a character of the process's ANSI code page.
bool IsSingleByteChar(unsigned char c);

// True when `lead` followed by `trail` is one character of the process's ANSI code page.
bool IsDoubleByteChar(unsigned char lead, unsigned char trail);

}  // namespace afx
