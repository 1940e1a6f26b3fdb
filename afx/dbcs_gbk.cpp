// Native builds (sanitizers, fuzzers) have no process code page: assume GBK, the code page
// the program is made for.
#include "afx/dbcs.h"

namespace afx {

bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

bool IsSingleByteChar(unsigned char c) {
    return c <= 0x80;  // 0x80 is the euro sign in code page 936
}

bool IsDoubleByteChar(unsigned char lead, unsigned char trail) {
    return IsLeadByte(lead) && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

}  // namespace afx
