#include "afx/extended_path.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

const std::wstring kCurrent = L"C:\\work\\run";

std::wstring Extended(const std::wstring& path, const std::wstring& current = kCurrent) {
    return afx::ExtendedPath(path, current);
}

struct Case {
    const wchar_t* path;
    const wchar_t* expected;
};

void ExpectExtended(std::initializer_list<Case> cases) {
    for (const Case& c : cases) EXPECT_EQ(c.expected, Extended(c.path)) << c.path;
}

TEST(ExtendedPath, DriveAndUncPathsGetThePrefixAndTheSystemsNormalisation) {
    ExpectExtended({
        {L"C:\\out\\page.txt", L"\\\\?\\C:\\out\\page.txt"},
        {L"D:\\out\\", L"\\\\?\\D:\\out\\"},
        {L"C:\\", L"\\\\?\\C:\\"},
        // Never above the root.
        {L"C:\\..\\..", L"\\\\?\\C:\\"},
        // Forward slashes and runs of separators, as the narrow calls read them.
        {L"C:/a//b\\/c.txt", L"\\\\?\\C:\\a\\b\\c.txt"},
        {L"C:\\a\\.\\b\\..\\c.txt", L"\\\\?\\C:\\a\\c.txt"},
        // Trailing periods and spaces go from the last name only, unless a separator follows.
        {L"C:\\a\\name. . ", L"\\\\?\\C:\\a\\name"},
        {L"C:\\dir \\name.txt", L"\\\\?\\C:\\dir \\name.txt"},
        {L"C:\\dir \\", L"\\\\?\\C:\\dir \\"},
        {L"C:\\dir.\\x", L"\\\\?\\C:\\dir\\x"},
        {L"C:\\dir...\\x", L"\\\\?\\C:\\dir...\\x"},
        // Names other than ASCII pass unchanged.
        {L"C:\\\u4E0B\u8F7D\\\u9875.txt", L"\\\\?\\C:\\\u4E0B\u8F7D\\\u9875.txt"},
        // Shares take the UNC form; a share needs a server and a share name.
        {L"\\\\server\\share\\dir\\a.txt", L"\\\\?\\UNC\\server\\share\\dir\\a.txt"},
        {L"//server/share/x/../a.txt", L"\\\\?\\UNC\\server\\share\\a.txt"},
        {L"\\\\server\\share\\..\\", L"\\\\?\\UNC\\server\\share\\"},
        {L"\\\\server", L""},
        {L"\\\\server\\", L""},
    });
}

TEST(ExtendedPath, PrefixedPathsStayAsTheyAre) {
    for (const std::wstring path :
         {L"\\\\?\\C:\\a/b\\..\\c. ", L"\\\\?\\UNC\\server\\share\\x", L"\\\\.\\pipe\\name"})
        EXPECT_EQ(path, Extended(path));
}

TEST(ExtendedPath, RelativePathsResolveAgainstTheCurrentFolder) {
    struct {
        const wchar_t* path;
        std::wstring current;
        const wchar_t* expected;
    } const cases[] = {
        {L"out\\a.txt", kCurrent, L"\\\\?\\C:\\work\\run\\out\\a.txt"},
        {L"../b.txt", kCurrent, L"\\\\?\\C:\\work\\b.txt"},
        {L".\\", kCurrent, L"\\\\?\\C:\\work\\run\\"},
        {L"\\top\\a.txt", kCurrent, L"\\\\?\\C:\\top\\a.txt"},
        // A drive with no separator: the current folder on its own drive, else the drive's root.
        {L"c:a.txt", kCurrent, L"\\\\?\\C:\\work\\run\\a.txt"},
        {L"D:a.txt", kCurrent, L"\\\\?\\D:\\a.txt"},
        // The current folder may itself be a share or already extended.
        {L"\\top", L"\\\\srv\\sh\\dir", L"\\\\?\\UNC\\srv\\sh\\top"},
        {L"a", L"\\\\srv\\sh\\dir", L"\\\\?\\UNC\\srv\\sh\\dir\\a"},
        {L"a", L"\\\\?\\C:\\long\\", L"\\\\?\\C:\\long\\a"},
        // Nothing absolute to start from.
        {L"a.txt", L"", L""},
        {L"a.txt", L"relative", L""},
        {L"", kCurrent, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Extended(c.path, c.current)) << c.path << " in " << c.current;
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
