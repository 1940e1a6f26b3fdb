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

std::vector<Character> EveryAnsiCharacter() {
    std::vector<Character> all;
    auto add = [&](std::string ansi) {
        wchar_t wide[2];
        const int n = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(),
                                            static_cast<int>(ansi.size()), wide, 2);
        if (n > 0) all.push_back({std::move(ansi), std::wstring(wide, static_cast<size_t>(n))});
    };
    for (int c = 1; c < 0x100; ++c) {
        if (::IsDBCSLeadByte(static_cast<BYTE>(c))) {
            for (int trail = 0x40; trail < 0x100; ++trail)
                add({static_cast<char>(c), static_cast<char>(trail)});
        } else {
            add(std::string(1, static_cast<char>(c)));
        }
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

TEST(NameFoldTest, NamesFoldCharacterByCharacter) {
    EXPECT_EQ(L"", afx::FoldedFileName(""));
    EXPECT_EQ(afx::FoldedFileName("ПРИВЕТ_ＦＯＬＤ_page.txt"),
              afx::FoldedFileName("привет_ｆｏｌｄ_PAGE.TXT"));
    EXPECT_EQ(L"\x041F\x0420\x0418\x0412\x0415\x0422_\xFF26\xFF2F\xFF2C\xFF24.TXT",
              afx::FoldedFileName("привет_ｆｏｌｄ.txt"));
}

}  // namespace
