// The text output and the folder check on paths past MAX_PATH and on names the file system
// refuses.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "afx/path_calls.h"
#include "afx/whole_file.h"
#include "core/ccore.h"
#include "tests/gui/test_files.h"

namespace {

using gui::FilesIn;

bool Exists(const std::string& path) {
    return afx::FileAttributesAt(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Read(const std::string& path) {
    std::string content;
    gui::ReadWholeFile(path, &content);
    return content;
}

void Write(const std::string& path, const std::string& content) {
    ASSERT_EQ(S_OK, afx::WriteWholeFile(afx::WidePath(path.c_str()), content, true)) << path;
}

class LongPathTest : public ::testing::Test {
protected:
    gui::TempFolder temp_;
};

TEST_F(LongPathTest, TextOutputWorksWherePathsPassMaxPath) {
    CCore core;
    for (size_t length : {240u, 300u, 1000u}) {
        SCOPED_TRACE(length);
        const std::string folder = temp_.MakeFolderOfLength(length);
        EXPECT_NE(0, core.isPathExist(folder.c_str()));
        EXPECT_NE(0, core.isPathExist(core.parsePath(folder.c_str())));
        const std::string page = folder + "\\127_0_0_1_8080_a_page_html.txt";
        ASSERT_GT(page.size(), static_cast<size_t>(MAX_PATH));

        core.outTxtFile("first", page.c_str());
        EXPECT_EQ("first", Read(page));
        core.outTxtFile("second", page.c_str());
        EXPECT_EQ("second", Read(page));
        EXPECT_EQ(1u, FilesIn(folder).size()) << "a temporary file was left";

        // What a failed page does: the stale file goes.
        EXPECT_TRUE(afx::DeleteFileAt(page.c_str()));
        EXPECT_FALSE(Exists(page));
        EXPECT_TRUE(afx::DeleteFileAt(page.c_str())) << "a missing file is no failure";
        EXPECT_TRUE(FilesIn(folder).empty());
    }
}

TEST_F(LongPathTest, ARefusedNameLeavesNothing) {
    CCore core;
    const std::string folder = temp_.MakeFolderOfLength(200);
    const std::string other = folder + "\\other.txt";
    Write(other, "other");
    // 300 characters is past every file system's limit for one name.
    const std::string refused = folder + "\\" + std::string(296, 'n') + ".txt";
    core.outTxtFile("text", refused.c_str());
    EXPECT_FALSE(Exists(refused));
    EXPECT_EQ(std::vector<std::string>{"other.txt"}, FilesIn(folder));
    EXPECT_EQ("other", Read(other));

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
    EXPECT_EQ(taken ? 3u : 2u, FilesIn(folder).size());
    afx::DeleteFileAt(chinese.c_str());  // what a failed page does
    EXPECT_EQ("other", Read(cut));
    EXPECT_EQ(2u, FilesIn(folder).size());
}

}  // namespace
