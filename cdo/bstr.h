// BSTRs made from and read back into text of the process's ANSI code page.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "afx/handles.h"

namespace cdo {

// An owned BSTR of the text, converted with the ANSI code page (null, or text that cannot be
// converted, is the empty text); throws std::bad_alloc when no BSTR can be allocated.
afx::UniqueBstr BstrFromAnsi(const char* ansi);

// The BSTR's text in the ANSI code page; a null BSTR, or one that cannot be converted, is the
// empty text.
std::string NarrowFromBstr(BSTR text);

}  // namespace cdo
