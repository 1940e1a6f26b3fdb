// Folded names against the system's own comparison of file names, for every character of the
// tests' ANSI code page, GBK.
#include "afx/name_fold.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Character {
    std::string ansi;
    std::wstring wide;
};

// Every character of the code page, each alone: the single bytes and the double-byte pairs
// that convert.
std::vector<Character> EveryAnsiCharacter() {
    std::vector<Character> all;
    for (int lead = 0; lead < 0x100; ++lead)
        for (int trail = 0; trail < 0x100; ++trail) {
            const bool pair = ::IsDBCSLeadByte(static_cast<BYTE>(lead));
            if ((pair && trail < 0x40) || (!pair && (lead == 0 || trail > 0))) continue;
            std::string ansi(1, static_cast<char>(lead));
            if (pair) ansi += static_cast<char>(trail);
            wchar_t wide[2];
            const int n = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(),
                                                static_cast<int>(ansi.size()), wide, 2);
            if (n > 0) all.push_back({ansi, std::wstring(wide, static_cast<size_t>(n))});
        }
    return all;
}

int CompareIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE);
}

// Two characters fold alike exactly when the system compares them equal: each folds to a
// character equal to itself, and in the system's order, neighbours that compare equal fold
// alike and neighbours that do not, do not.
TEST(NameFoldTest, CharactersFoldAlikeExactlyWhenTheSystemComparesThemEqual) {
    std::vector<Character> all = EveryAnsiCharacter();
    ASSERT_GT(all.size(), 21000u) << "the tests' ANSI code page is GBK";
    for (const Character& c : all)
        ASSERT_EQ(CSTR_EQUAL, CompareIgnoringCase(c.wide, afx::FoldedFileName(c.ansi)))
            << "U+" << std::hex << static_cast<unsigned>(c.wide[0]);
    std::sort(all.begin(), all.end(), [](const Character& a, const Character& b) {
        return CompareIgnoringCase(a.wide, b.wide) == CSTR_LESS_THAN;
    });
    size_t pairs = 0;
    for (size_t i = 1; i < all.size(); ++i) {
        const bool equal = CompareIgnoringCase(all[i - 1].wide, all[i].wide) == CSTR_EQUAL;
        pairs += equal;
        ASSERT_EQ(equal, afx::FoldedFileName(all[i - 1].ansi) == afx::FoldedFileName(all[i].ansi))
            << "U+" << std::hex << static_cast<unsigned>(all[i - 1].wide[0]) << " and U+"
            << static_cast<unsigned>(all[i].wide[0]);
    }
    // ASCII, full-width Latin, Greek, Cyrillic and Roman numerals have both cases in GBK.
    EXPECT_GE(pairs, 26u + 26u + 24u + 33u + 10u);
}

}  // namespace
