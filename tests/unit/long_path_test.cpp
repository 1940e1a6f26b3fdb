// The text output and the folder check on paths past MAX_PATH and on names the file system
// refuses.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "afx/handles.h"
#include "afx/path_calls.h"
#include "afx/whole_file.h"
#include "core/ccore.h"

namespace {

std::wstring Wide(const std::string& ansi) {
    return afx::WidePath(ansi.c_str());
}

bool Exists(const std::string& path) {
    return afx::FileAttributesAt(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Read(const std::string& path) {
    afx::UniqueFile file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    return content;
}

void Write(const std::string& path, const std::string& content) {
    ASSERT_EQ(S_OK, afx::WriteWholeFile(Wide(path), content, true)) << path;
}

// Names in a folder of any length, "." and ".." left out.
std::vector<std::wstring> Listing(const std::string& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    afx::UniqueFind find(::FindFirstFileW((Wide(folder) + L"\\*").c_str(), &found));
    for (bool more = find.valid(); more; more = ::FindNextFileW(find.get(), &found)) {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    }
    return names;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    {
        afx::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
        for (bool more = find.valid(); more; more = ::FindNextFileW(find.get(), &found)) {
            const std::wstring name = found.cFileName, path = folder + L"\\" + name;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                ::DeleteFileW(path.c_str());
        }
    }
    ::RemoveDirectoryW(folder.c_str());
}

// A folder whose path is about `length` characters, made of nested folders of at most 100.
class LongPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_root = std::string(temp) + "long-" + info->name() + "-" +
                 std::to_string(::GetCurrentProcessId());
        RemoveTree(Wide(m_root));
        ASSERT_TRUE(::CreateDirectoryW(Wide(m_root).c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(Wide(m_root)); }

    std::string MakeFolder(size_t length) {
        std::string folder = m_root;
        while (folder.size() < length) {
            folder += "\\" + std::string(std::min<size_t>(100, length - folder.size()), 'd');
            EXPECT_TRUE(::CreateDirectoryW(Wide(folder).c_str(), nullptr) ||
                        ::GetLastError() == ERROR_ALREADY_EXISTS)
                << folder.size();
        }
        return folder;
    }

    std::string m_root;
};

TEST_F(LongPathTest, TextOutputWorksWherePathsPassMaxPath) {
    CCore core;
    for (size_t length : {240u, 300u, 1000u}) {
        SCOPED_TRACE(length);
        const std::string folder = MakeFolder(length);
        EXPECT_NE(0, core.isPathExist(folder.c_str()));
        EXPECT_NE(0, core.isPathExist(core.parsePath(folder.c_str())));
        const std::string page = folder + "\\127_0_0_1_8080_a_page_html.txt";
        ASSERT_GT(page.size(), static_cast<size_t>(MAX_PATH));

        core.outTxtFile("first", page.c_str());
        EXPECT_EQ("first", Read(page));
        core.outTxtFile("second", page.c_str());
        EXPECT_EQ("second", Read(page));
        EXPECT_EQ(1u, Listing(folder).size()) << "a temporary file was left";

        // What a failed page does: the stale file goes.
        EXPECT_TRUE(afx::DeleteFileAt(page.c_str()));
        EXPECT_FALSE(Exists(page));
        EXPECT_TRUE(afx::DeleteFileAt(page.c_str())) << "a missing file is no failure";
        EXPECT_TRUE(Listing(folder).empty());
    }
}

TEST_F(LongPathTest, ARefusedNameLeavesNothing) {
    CCore core;
    const std::string folder = MakeFolder(200);
    Write(folder + "\\other.txt", "other");
    // 300 characters is past every file system's limit for one name.
    const std::string refused = folder + "\\" + std::string(296, 'n') + ".txt";
    core.outTxtFile("text", refused.c_str());
    EXPECT_FALSE(Exists(refused));
    EXPECT_EQ(std::vector<std::wstring>{L"other.txt"}, Listing(folder));
    EXPECT_EQ("other", Read(folder + "\\other.txt"));

    // 100 GBK characters: 200 bytes here, 300 bytes of UTF-8 on a Unix file system, which
    // holds 255; NTFS takes them. Wine would cut the name to its first 85 characters and
    // so reach another file.
    std::string gbk;
    for (int i = 0; i < 100; ++i) gbk += "\xD2\xB3";  // 页
    const std::string chinese = folder + "\\" + gbk + ".txt";
    const std::string cut = folder + "\\" + gbk.substr(0, 170);
    Write(cut, "other");
    core.outTxtFile("text", chinese.c_str());
    const bool taken = Exists(chinese);
    std::cout << "a name of 100 GBK characters was " << (taken ? "taken" : "refused") << "\n";
    if (taken) {
        EXPECT_EQ("text", Read(chinese));
    }
    EXPECT_EQ(taken ? 3u : 2u, Listing(folder).size());
    afx::DeleteFileAt(chinese.c_str());  // what a failed page does
    EXPECT_EQ("other", Read(cut));
    EXPECT_EQ(2u, Listing(folder).size());
}

TEST_F(LongPathTest, RelativePathsStartInTheCurrentFolder) {
    const std::string folder = MakeFolder(300);
    wchar_t saved[MAX_PATH];
    ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, saved), 0u);
    ASSERT_TRUE(::SetCurrentDirectoryW(Wide(folder).c_str()));
    const std::wstring relative = afx::WidePath("sub/..\\a.txt");
    const std::wstring absolute = Wide(folder + "\\a.txt");
    Write("a.txt", "here");
    ::SetCurrentDirectoryW(saved);
    EXPECT_EQ(absolute, relative);
    EXPECT_EQ(0u, absolute.rfind(L"\\\\?\\", 0));
    EXPECT_EQ("here", Read(folder + "\\a.txt"));
}

}  // namespace
