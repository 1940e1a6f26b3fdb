#include "afx/idna.h"

#include <windows.h>

#include "afx/codepage.h"
#include "url/ascii.h"
#include "url/punycode.h"

namespace afx {

namespace {

// The IDN conversions share one signature and are called twice: for the length, then to convert.
using IdnConversion = int(WINAPI*)(DWORD flags, LPCWSTR in, int inLength, LPWSTR out,
                                   int outLength);

bool ConvertIdn(IdnConversion convert, const std::wstring& in, std::wstring& out) {
    int n = convert(0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    if (n <= 0) return false;
    out.assign(static_cast<size_t>(n), L'\0');
    n = convert(0, in.data(), static_cast<int>(in.size()), &out[0], n);
    if (n <= 0) return false;
    out.resize(static_cast<size_t>(n));
    return true;
}

bool PlatformLabelToAscii(const std::wstring& wide, std::string& out) {
    if (wide.empty()) return false;
    // No flags: unassigned code points are refused, and labels may hold "_" and the other
    // ASCII that the URL parser itself judges afterwards.
    std::wstring ascii;
    if (!ConvertIdn(::IdnToAscii, wide, ascii)) return false;
    for (wchar_t c : ascii) {
        if (c == 0 || c >= 0x80) return false;
        out += static_cast<char>(c);
    }
    return true;
}

// The characters that browsers keep (UTS 46 nontransitional) where IDNA 2003, and IdnToAscii
// under Wine, map them away: sharp s, final sigma and the two joiners.
constexpr wchar_t kSharpS = 0x00DF, kCapitalSharpS = 0x1E9E, kFinalSigma = 0x03C2;
constexpr wchar_t kZwnj = 0x200C, kZwj = 0x200D;

bool IsDeviation(wchar_t c) {
    return c == kSharpS || c == kCapitalSharpS || c == kFinalSigma || c == kZwnj || c == kZwj;
}

// The viramas of the common scripts (combining class 9): the Indic blocks put theirs at xx4D.
bool IsVirama(wchar_t c) {
    if (c >= 0x0900 && c <= 0x0DFF && (c & 0x7F) == 0x4D) return true;
    switch (c) {
        case 0x0DCA:
        case 0x0E3A:
        case 0x0F84:
        case 0x1039:
        case 0x103A:
        case 0x1714:
        case 0x1734:
        case 0x17D2:
        case 0x1A60:
        case 0x1B44:
        case 0x1BAA:
        case 0x1BAB:
        case 0x1BF2:
        case 0x1BF3:
        case 0x2D7F:
        case 0xA806:
        case 0xA8C4:
        case 0xA953:
        case 0xA9C0:
        case 0xAAF6:
        case 0xABED:
            return true;
        default:
            return false;
    }
}

// Letters of the scripts that join (Arabic, Syriac, N'Ko), between which a ZWNJ may stand.
bool IsJoiningLetter(wchar_t c) {
    return (c >= 0x0620 && c <= 0x06FF) || (c >= 0x0710 && c <= 0x07FF) ||
           (c >= 0x0860 && c <= 0x08FF);
}

// The joiners' context rules, closely enough: a ZWJ follows a virama; a ZWNJ follows a virama
// or stands between two joining letters.
bool JoinersInContext(const std::wstring& label) {
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] != kZwj && label[i] != kZwnj) continue;
        bool afterVirama = i > 0 && IsVirama(label[i - 1]);
        bool betweenLetters = label[i] == kZwnj && i > 0 && i + 1 < label.size() &&
                              IsJoiningLetter(label[i - 1]) && IsJoiningLetter(label[i + 1]);
        if (!afterVirama && !betweenLetters) return false;
    }
    return true;
}

void AppendCodePoints(const std::wstring& wide, std::u32string& out) {
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (IsHighSurrogate(c) && i + 1 < wide.size()) {
            c = CombineSurrogates(c, wide[i + 1]);
            ++i;
        }
        out += c;
    }
}

// The label as nameprep maps it (case folded, NFKC), a run at a time between deviations.
bool MapKeepingDeviations(const std::wstring& label, std::u32string& mapped) {
    std::wstring run;
    auto flush = [&]() {
        if (run.empty()) return true;
        std::wstring out;
        if (!ConvertIdn(::IdnToNameprepUnicode, run, out)) return false;
        AppendCodePoints(out, mapped);
        run.clear();
        return true;
    };
    for (wchar_t c : label) {
        if (!IsDeviation(c)) {
            run += c;
            continue;
        }
        if (!flush()) return false;
        mapped += c == kCapitalSharpS ? kSharpS : c;
    }
    return flush();
}

bool LabelToAscii(const std::string& utf8Label, std::string& out) {
    std::wstring wide;
    if (!ToWide(kUtf8CodePage, utf8Label, wide)) return false;
    bool deviations = false;
    for (wchar_t c : wide) deviations = deviations || IsDeviation(c);
    if (!deviations) {
        if (PlatformLabelToAscii(wide, out)) return true;
        // IdnToAscii also applies the DNS rules browsers leave out (at most 63 characters, no
        // "--" in third and fourth place): a label that nameprep accepts is encoded here then.
        std::u32string mapped;
        std::string encoded;
        if (!MapKeepingDeviations(wide, mapped) || !url::PunycodeEncode(mapped, encoded))
            return false;
        bool ascii = true;
        for (char32_t c : mapped) ascii = ascii && c < 0x80;
        if (ascii || mapped.compare(0, 4, U"xn--") == 0) return false;
        out += "xn--" + encoded;
        return true;
    }

    // The platform judges the rest of the label with the deviations as IDNA 2003 maps them;
    // the label itself is then encoded here, keeping them.
    std::wstring standIn;
    for (wchar_t c : wide) {
        if (c == kSharpS || c == kCapitalSharpS)
            standIn += L"ss";
        else if (c == kFinalSigma)
            standIn += wchar_t{0x03C3};
        else if (c != kZwj && c != kZwnj)
            standIn += c;
    }
    std::string ignored;
    if (!standIn.empty() && !PlatformLabelToAscii(standIn, ignored)) return false;
    if (!JoinersInContext(wide)) return false;
    std::u32string mapped;
    std::string encoded;
    if (!MapKeepingDeviations(wide, mapped) || !url::PunycodeEncode(mapped, encoded)) return false;
    out += "xn--" + encoded;
    return true;
}

}  // namespace

bool IdnaToAscii(const std::string& utf8Host, std::string& asciiHost) {
    // Label by label: IdnToAscii refuses empty labels and labels over 63 characters, which
    // browsers accept (they do not check DNS lengths). Plain ASCII labels need no conversion.
    // Dots other than "." (U+3002 and its kin) are mapped by the conversion of the label.
    asciiHost.clear();
    size_t start = 0;
    for (;;) {
        size_t dot = utf8Host.find('.', start);
        std::string label = utf8Host.substr(start, dot == std::string::npos ? dot : dot - start);
        bool plain = ascii::IsAscii(label) && label.compare(0, 4, "xn--") != 0;
        if (plain)
            asciiHost += label;
        else if (!LabelToAscii(label, asciiHost))
            return false;
        if (dot == std::string::npos) break;
        asciiHost += '.';
        start = dot + 1;
    }
    return true;
}

}  // namespace afx
