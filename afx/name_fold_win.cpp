#include "afx/name_fold.h"

#include <windows.h>

#include "afx/codepage.h"

namespace afx {
namespace {

// A name that could not be converted (short of memory): its bytes as they are, behind a NUL
// that no converted name holds, so that it is one name with itself only.
std::wstring Unconverted(std::string_view name) {
    std::wstring bytes(1, L'\0');
    for (char c : name) bytes += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return bytes;
}

}  // namespace

std::wstring FoldedFileName(std::string_view name) {
    std::wstring wide;
    if (!ToWide(kAnsiCodePage, name, wide)) return Unconverted(name);
    if (wide.empty()) return wide;
    // Without LCMAP_LINGUISTIC_CASING this is the file system's table, one code unit for one,
    // the same for every locale.
    std::wstring upper(wide.size(), L'\0');
    const int n = static_cast<int>(wide.size());
    if (::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), n, &upper[0], n,
                        nullptr, nullptr, 0) != n)
        return Unconverted(name);
    return upper;
}

}  // namespace afx
