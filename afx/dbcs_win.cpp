#include "afx/dbcs.h"

#include <windows.h>

namespace afx {

bool IsLeadByte(unsigned char c) {
    return ::IsDBCSLeadByte(c) != FALSE;
}

}  // namespace afx
