#include "cdo/windows_codec.h"

#include <windows.h>

#include "afx/codepage.h"
#include "afx/idna.h"

namespace cdo {
namespace {

using afx::FromWide;
using afx::ToWide;

struct CharsetCodePage {
    const char* label;
    unsigned codePage;
};

// Labels as browsers know them; the Latin-1 family is read as windows-1252, as they do.
const CharsetCodePage kCharsets[] = {
    {"utf-8", CP_UTF8},
    {"utf8", CP_UTF8},
    {"unicode-1-1-utf-8", CP_UTF8},
    {"gbk", 936},
    {"gb2312", 936},
    {"x-gbk", 936},
    {"cp936", 936},
    {"windows-936", 936},
    {"gb_2312-80", 936},
    {"gb18030", 54936},
    {"big5", 950},
    {"big5-hkscs", 950},
    {"x-x-big5", 950},
    {"shift_jis", 932},
    {"shift-jis", 932},
    {"sjis", 932},
    {"windows-31j", 932},
    {"x-sjis", 932},
    {"ms_kanji", 932},
    {"euc-jp", 20932},
    {"euc-kr", 949},
    {"ks_c_5601-1987", 949},
    {"windows-949", 949},
    {"iso-8859-1", 1252},
    {"latin1", 1252},
    {"us-ascii", 1252},
    {"ascii", 1252},
    {"windows-1252", 1252},
    {"iso-8859-2", 28592},
    {"iso-8859-5", 28595},
    {"iso-8859-7", 28597},
    {"iso-8859-15", 28605},
    {"koi8-r", 20866},
    {"koi8-u", 21866},
    {"windows-1250", 1250},
    {"windows-1251", 1251},
    {"windows-1253", 1253},
    {"windows-1254", 1254},
    {"windows-1255", 1255},
    {"windows-1256", 1256},
    {"windows-1257", 1257},
    {"windows-1258", 1258},
    {"windows-874", 874},
    {"tis-620", 874},
};

// Where browsers' encoders differ from the code page's table: the Japanese ones send the minus
// sign as the full-width hyphen-minus and yen and overline as their ASCII bytes, and GB18030
// has no form for U+E5E5.
void AdjustAsBrowsersEncode(unsigned codePage, std::wstring& wide) {
    if (codePage != 932 && codePage != 20932) return;
    for (wchar_t& c : wide) {
        if (c == 0x2212) c = 0xFF0D;
        if (c == 0x00A5) c = L'\\';
        if (c == 0x203E) c = L'~';
    }
}

bool HasNoFormIn(unsigned codePage, wchar_t c) {
    return (codePage == 936 || codePage == 54936) && c == 0xE5E5;
}

}  // namespace

unsigned CodePageOfCharset(std::string_view charset) {
    for (const CharsetCodePage& c : kCharsets) {
        if (charset == c.label) return c.codePage;
    }
    return 0;
}

bool CWindowsCodec::Decode(std::string_view charset, std::string_view bytes,
                           std::string& utf8) const {
    unsigned codePage = CodePageOfCharset(charset);
    std::wstring wide;
    if (codePage == 54936 && ToWide(codePage, bytes, wide))
        return FromWide(CP_UTF8, wide, utf8, nullptr);
    if (codePage == 54936) codePage = 936;  // see Encode
    return codePage != 0 && ToWide(codePage, bytes, wide) && FromWide(CP_UTF8, wide, utf8, nullptr);
}

bool CWindowsCodec::Encode(std::string_view charset, std::string_view utf8,
                           std::string& bytes) const {
    unsigned codePage = CodePageOfCharset(charset);
    std::wstring wide;
    if (codePage == 0 || !ToWide(CP_UTF8, utf8, wide)) return false;
    AdjustAsBrowsersEncode(codePage, wide);
    bool lossy = false;
    // Wine has no GB18030 tables; GBK is the same for every character a page is likely to hold.
    if (codePage == 54936 && !FromWide(codePage, wide, bytes, &lossy)) codePage = 936;
    if (!FromWide(codePage, wide, bytes, &lossy)) return false;
    lossy = lossy || wide.find(static_cast<wchar_t>(0xE5E5)) != std::wstring::npos;
    if (!lossy) return true;
    // Some character does not fit: convert one character at a time, writing those that do
    // not as their percent-encoded "&#N;", as browsers send them.
    bytes.clear();
    for (size_t i = 0; i < wide.size();) {
        size_t len = (afx::IsHighSurrogate(wide[i]) && i + 1 < wide.size() &&
                      afx::IsLowSurrogate(wide[i + 1]))
                         ? 2
                         : 1;
        std::string piece;
        bool missing = false;
        if (!FromWide(codePage, std::wstring_view(wide).substr(i, len), piece, &missing)) {
            return false;
        }
        if (missing || HasNoFormIn(codePage, wide[i])) {
            const char32_t cp = len == 2 ? afx::CombineSurrogates(wide[i], wide[i + 1]) : wide[i];
            bytes += "%26%23" + std::to_string(static_cast<unsigned long>(cp)) + "%3B";
        } else {
            bytes += piece;
        }
        i += len;
    }
    return true;
}

bool CWindowsCodec::HostToAscii(const std::string& utf8Host, std::string& asciiHost) const {
    // The same conversion as the request a URL of the list becomes, so that a part is stored
    // under the host it was fetched from.
    return afx::IdnaToAscii(utf8Host, asciiHost);
}

}  // namespace cdo
