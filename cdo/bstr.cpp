#include "cdo/bstr.h"

#include <new>

namespace cdo {

afx::UniqueBstr BstrFromAnsi(const char* ansi) {
    if (!ansi) ansi = "";
    int wide = ::MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);  // with the final NUL
    if (wide <= 0) wide = 1;
    afx::UniqueBstr bstr(::SysAllocStringLen(nullptr, static_cast<UINT>(wide - 1)));
    if (!bstr) throw std::bad_alloc();
    bstr.get()[0] = L'\0';
    ::MultiByteToWideChar(CP_ACP, 0, ansi, -1, bstr.get(), wide);
    return bstr;
}

std::string NarrowFromBstr(BSTR text) {
    int length = static_cast<int>(::SysStringLen(text));
    if (length == 0) return std::string();
    int narrow = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (narrow <= 0) return std::string();
    std::string out(static_cast<size_t>(narrow), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], narrow, nullptr, nullptr);
    return out;
}

}  // namespace cdo
