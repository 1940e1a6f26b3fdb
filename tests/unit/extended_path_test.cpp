#include "afx/extended_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::wstring kCurrent = L"C:\\work\\run";

std::wstring Extended(const std::wstring& path, const std::wstring& current = kCurrent) {
    return afx::ExtendedPath(path, current);
}

TEST(ExtendedPath, DrivePathsGetThePrefixAndTheSystemsNormalisation) {
    EXPECT_EQ(L"\\\\?\\C:\\out\\page.txt", Extended(L"C:\\out\\page.txt"));
    EXPECT_EQ(L"\\\\?\\D:\\out\\", Extended(L"D:\\out\\"));
    EXPECT_EQ(L"\\\\?\\C:\\", Extended(L"C:\\"));
    EXPECT_EQ(L"\\\\?\\C:\\", Extended(L"C:\\..\\.."));  // never above the root
    // Forward slashes and runs of separators, as the narrow calls read them.
    EXPECT_EQ(L"\\\\?\\C:\\a\\b\\c.txt", Extended(L"C:/a//b\\/c.txt"));
    EXPECT_EQ(L"\\\\?\\C:\\a\\c.txt", Extended(L"C:\\a\\.\\b\\..\\c.txt"));
    // Trailing periods and spaces go from the last name only, unless a separator follows.
    EXPECT_EQ(L"\\\\?\\C:\\a\\name", Extended(L"C:\\a\\name. . "));
    EXPECT_EQ(L"\\\\?\\C:\\dir \\name.txt", Extended(L"C:\\dir \\name.txt"));
    EXPECT_EQ(L"\\\\?\\C:\\dir \\", Extended(L"C:\\dir \\"));
    EXPECT_EQ(L"\\\\?\\C:\\dir\\x", Extended(L"C:\\dir.\\x"));
    EXPECT_EQ(L"\\\\?\\C:\\dir...\\x", Extended(L"C:\\dir...\\x"));
    // Names other than ASCII pass unchanged.
    EXPECT_EQ(L"\\\\?\\C:\\\u4E0B\u8F7D\\\u9875.txt", Extended(L"C:\\\u4E0B\u8F7D\\\u9875.txt"));
}

TEST(ExtendedPath, UncPathsBecomeTheUncForm) {
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\dir\\a.txt", Extended(L"\\\\server\\share\\dir\\a.txt"));
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\a.txt", Extended(L"//server/share/x/../a.txt"));
    EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\", Extended(L"\\\\server\\share\\..\\"));
    EXPECT_EQ(L"", Extended(L"\\\\server"));
    EXPECT_EQ(L"", Extended(L"\\\\server\\"));
}

TEST(ExtendedPath, PrefixedPathsStayAsTheyAre) {
    for (const std::wstring path :
         {L"\\\\?\\C:\\a/b\\..\\c. ", L"\\\\?\\UNC\\server\\share\\x", L"\\\\.\\pipe\\name"})
        EXPECT_EQ(path, Extended(path));
}

TEST(ExtendedPath, RelativePathsResolveAgainstTheCurrentFolder) {
    EXPECT_EQ(L"\\\\?\\C:\\work\\run\\out\\a.txt", Extended(L"out\\a.txt"));
    EXPECT_EQ(L"\\\\?\\C:\\work\\b.txt", Extended(L"../b.txt"));
    EXPECT_EQ(L"\\\\?\\C:\\work\\run\\", Extended(L".\\"));
    EXPECT_EQ(L"\\\\?\\C:\\top\\a.txt", Extended(L"\\top\\a.txt"));
    // A drive with no separator: the current folder on its own drive, else the drive's root.
    EXPECT_EQ(L"\\\\?\\C:\\work\\run\\a.txt", Extended(L"c:a.txt"));
    EXPECT_EQ(L"\\\\?\\D:\\a.txt", Extended(L"D:a.txt"));
    // The current folder may itself be a share or already extended.
    EXPECT_EQ(L"\\\\?\\UNC\\srv\\sh\\top", Extended(L"\\top", L"\\\\srv\\sh\\dir"));
    EXPECT_EQ(L"\\\\?\\UNC\\srv\\sh\\dir\\a", Extended(L"a", L"\\\\srv\\sh\\dir"));
    EXPECT_EQ(L"\\\\?\\C:\\long\\a", Extended(L"a", L"\\\\?\\C:\\long\\"));
    // Nothing absolute to start from.
    EXPECT_EQ(L"", Extended(L"a.txt", L""));
    EXPECT_EQ(L"", Extended(L"a.txt", L"relative"));
    EXPECT_EQ(L"", Extended(L"", kCurrent));
}

TEST(ExtendedPath, LengthIsNotLimited) {
    std::wstring folder = L"C:";
    while (folder.size() < 32000) folder += L"\\" + std::wstring(200, L'f');
    EXPECT_EQ(L"\\\\?\\" + folder + L"\\n.txt", Extended(folder + L"/n.txt"));
}

TEST(ExtendedPath, OverlongNamesAreFound) {
    const std::wstring ascii255(255, L'a'), han85(85, L'\u9875'), han86(86, L'\u9875');
    EXPECT_FALSE(afx::HasOverlongName(L"\\\\?\\C:\\" + ascii255 + L"\\x", true));
    EXPECT_TRUE(afx::HasOverlongName(L"\\\\?\\C:\\" + ascii255 + L"a\\x", false));
    EXPECT_TRUE(afx::HasOverlongName(L"C:/x/" + ascii255 + L"a", false));
    // 85 characters of three UTF-8 bytes fit a Unix name; 86 do not, though Windows takes them.
    EXPECT_FALSE(afx::HasOverlongName(L"C:\\" + han85 + L"\\x", true));
    EXPECT_TRUE(afx::HasOverlongName(L"C:\\" + han86 + L"\\x", true));
    EXPECT_FALSE(afx::HasOverlongName(L"C:\\" + han86 + L"\\x", false));
    // A character beyond the BMP: two UTF-16 units, four UTF-8 bytes.
    std::wstring pairs;
    for (int i = 0; i < 64; ++i) pairs += sizeof(wchar_t) == 2 ? L"\xD83D\xDE00" : L"\U0001F600";
    EXPECT_TRUE(afx::HasOverlongName(L"C:\\" + pairs, true));  // 256 bytes
    EXPECT_FALSE(
        afx::HasOverlongName(L"C:\\" + pairs.substr(0, pairs.size() - pairs.size() / 64), true));
    EXPECT_FALSE(afx::HasOverlongName(L"C:\\" + pairs, false));  // 128 units
}

}  // namespace
