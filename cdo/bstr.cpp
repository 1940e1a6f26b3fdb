#include "cdo/bstr.h"

#include <new>

#include "afx/codepage.h"

namespace cdo {

afx::UniqueBstr BstrFromAnsi(const char* ansi) {
    std::wstring wide;
    // A text that cannot be converted becomes the empty BSTR rather than a part of itself: an
    // empty URL or path fails the call it is given to.
    if (ansi && !afx::ToWide(afx::kAnsiCodePage, ansi, wide)) wide.clear();
    afx::UniqueBstr bstr(::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
    if (!bstr) throw std::bad_alloc();
    return bstr;
}

std::string NarrowFromBstr(BSTR text) {
    std::string narrow;
    if (!afx::FromWide(afx::kAnsiCodePage, std::wstring_view(text, ::SysStringLen(text)), narrow))
        narrow.clear();
    return narrow;
}

}  // namespace cdo
