// Native builds (sanitizers, fuzzers) have no process code page and no system case table:
// GBK is converted and upper-cased by the C library, whose Unicode tables agree with Windows'
// on the letters GBK holds in both cases (Latin, full-width Latin, Greek, Cyrillic, Roman
// numerals).
#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>

#include "afx/name_fold.h"

namespace afx {
namespace {

// UTF-16 code units of GBK text; a byte that starts no GBK character stands for itself.
std::wstring GbkToUtf16(std::string_view name) {
    std::wstring units;
    const iconv_t cd = ::iconv_open("UTF-16LE", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (char c : name) units += static_cast<wchar_t>(static_cast<unsigned char>(c));
        return units;
    }
    char* in = const_cast<char*>(name.data());
    size_t inLeft = name.size();
    while (inLeft > 0) {
        char buffer[64];
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        const size_t done = ::iconv(cd, &in, &inLeft, &out, &outLeft);
        for (char* p = buffer; p + 1 < out; p += 2)
            units += static_cast<wchar_t>(static_cast<unsigned char>(p[0]) |
                                          static_cast<unsigned char>(p[1]) << 8);
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            units += static_cast<wchar_t>(static_cast<unsigned char>(*in));
            ++in;
            --inLeft;
        }
    }
    ::iconv_close(cd);
    return units;
}

}  // namespace

std::wstring FoldedFileName(std::string_view name) {
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    std::wstring folded = GbkToUtf16(name);
    for (wchar_t& unit : folded)
        unit = unicode ? static_cast<wchar_t>(::towupper_l(static_cast<wint_t>(unit), unicode))
                       : static_cast<wchar_t>(::towupper(static_cast<wint_t>(unit)));
    return folded;
}

}  // namespace afx
