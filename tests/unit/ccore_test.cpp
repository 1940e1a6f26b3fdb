#include "core/ccore.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "afx/handles.h"
#include "mavrel/test_hooks.h"

namespace {

// "螟" in GBK is CE 5C: its trail byte is a backslash.
const char kBackslashTrail[] = "\xCE\x5C";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// The program passes keys as char*.
CString ReadStr(CCore& core, std::string key) {
    return core.getConfigStr(&key[0]);
}
int ReadInt(CCore& core, std::string key) {
    return core.getConfigInt(&key[0]);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Names in a folder, "." and ".." left out.
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    afx::UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &found));
    for (bool more = find.valid(); more; more = FindNextFileA(find.get(), &found)) {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    }
    return names;
}

void RemoveTree(const std::string& folder) {
    for (const std::string& name : Listing(folder)) {
        const std::string path = folder + "\\" + name;
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
            RemoveTree(path);
        else
            DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

// A fresh folder per test, removed afterwards; the settings file is pointed into it so that
// no test reads or writes the user's own settings.
class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::string(temp) + "ccore-" + info->name() + "-" +
                std::to_string(GetCurrentProcessId());
        RemoveTree(m_dir);
        ASSERT_TRUE(CreateDirectoryA(m_dir.c_str(), nullptr)) << m_dir;
        m_ini = m_dir + "\\brindlow.ini";
        mavrel_SetConfigPathForTests(m_ini.c_str());
    }
    void TearDown() override {
        mavrel_SetConfigPathForTests(nullptr);
        RemoveTree(m_dir);
    }

    std::string m_dir, m_ini;
};

using SettingsTest = CoreTest;

TEST_F(SettingsTest, ValuesSurviveIntoALaterRun) {
    const std::string blanks = " D:\\下载\\页面 ";
    const std::string trail = std::string("C:\\") + kBackslashTrail;
    {
        CCore core;
        core.autoFileConfig();
        core.saveConfigStr("pathout", blanks.c_str());
        core.saveConfigStr("trail", trail.c_str());
        core.saveConfigInt("threadcount", -7);
        core.saveConfigInt("zero", 0);
        core.saveConfigInt("big", INT_MAX);
        core.saveConfigInt("small", INT_MIN);
        core.saveConfigInt("filetyp", 1);
        core.saveConfigInt("filetyp", 2);  // replaces, not adds
    }
    CCore core;
    core.autoFileConfig();
    EXPECT_EQ(blanks, ReadStr(core, "pathout").str());
    EXPECT_EQ(trail, ReadStr(core, "trail").str());
    EXPECT_EQ(-7, ReadInt(core, "threadcount"));
    EXPECT_EQ(0, ReadInt(core, "zero"));
    EXPECT_EQ(INT_MAX, ReadInt(core, "big"));
    EXPECT_EQ(INT_MIN, ReadInt(core, "small"));
    EXPECT_EQ(2, ReadInt(core, "filetyp"));
    EXPECT_EQ(std::string::npos, ReadAll(m_ini).find("filetyp=1"));
}

TEST_F(SettingsTest, TheSystemsProfileReaderSeesTheSameValues) {
    CCore core;
    core.autoFileConfig();
    core.saveConfigStr("pathout", " D:\\下载\\ ");
    core.saveConfigInt("threadcount", 12);
    char text[MAX_PATH] = {};
    GetPrivateProfileStringA("Brindlow", "pathout", "", text, MAX_PATH, m_ini.c_str());
    EXPECT_STREQ(" D:\\下载\\ ", text);
    EXPECT_EQ(12u, GetPrivateProfileIntA("Brindlow", "threadcount", -1, m_ini.c_str()));
}

TEST_F(SettingsTest, KeysNeverSavedReadEmptyOrZero) {
    CCore core;
    core.autoFileConfig();
    EXPECT_TRUE(ReadStr(core, "pathout").IsEmpty());
    EXPECT_EQ(0, ReadInt(core, "threadcount"));
    EXPECT_FALSE(Exists(m_ini));  // reading creates nothing

    core.saveConfigStr("other", "x");
    EXPECT_TRUE(ReadStr(core, "pathout").IsEmpty());
    EXPECT_EQ(0, ReadInt(core, "filetyp"));

    core.saveConfigStr("threadcount", "多");
    EXPECT_EQ(0, ReadInt(core, "threadcount"));
    core.saveConfigStr("threadcount", " 15 ");
    EXPECT_EQ(15, ReadInt(core, "threadcount"));
}

TEST_F(SettingsTest, SavingKeepsWhatOthersWroteAndLeavesNoTemporaryFile) {
    WriteAll(m_ini,
             "; written by hand\r\n"
             "[Other]\r\n"
             "pathout=elsewhere\r\n"
             "\r\n"
             "[brindlow]\r\n"
             "colour=blue\r\n"
             "filetyp=1\r\n"
             "filetyp=9\r\n");
    CCore core;
    core.autoFileConfig();
    EXPECT_EQ(1, ReadInt(core, "filetyp"));
    core.saveConfigInt("FILETYP", 2);
    core.saveConfigInt("threadcount", 5);

    const std::string text = ReadAll(m_ini);
    EXPECT_NE(std::string::npos,
              text.find("; written by hand\r\n[Other]\r\npathout=elsewhere\r\n"));
    EXPECT_NE(std::string::npos, text.find("colour=blue\r\n"));
    EXPECT_EQ(std::string::npos, text.find("filetyp=9"));
    EXPECT_EQ(2, ReadInt(core, "filetyp"));
    EXPECT_EQ(5, ReadInt(core, "threadcount"));
    EXPECT_TRUE(ReadStr(core, "pathout").IsEmpty());  // not [Other]'s
    EXPECT_EQ(std::vector<std::string>{"brindlow.ini"}, Listing(m_dir));
}

TEST_F(CoreTest, AppPathIsTheProgramsFolder) {
    CCore core;
    const CString folder = core.getAppPath();
    char exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, exe, MAX_PATH), 0u);
    ASSERT_FALSE(folder.IsEmpty());
    EXPECT_EQ('\\', folder.str().back());
    EXPECT_EQ(0u, std::string(exe).rfind(folder.str(), 0)) << folder << " vs " << exe;
    EXPECT_EQ(std::string::npos, std::string(exe).find('\\', folder.GetLength()));
}

TEST(PathTest, ParsePathEndsInExactlyOneBackslash) {
    CCore core;
    const std::string trail = std::string("C:\\") + kBackslashTrail;
    const struct {
        std::string in, out;
    } cases[] = {
        {"C:\\out", "C:\\out\\"},
        {"C:\\out\\", "C:\\out\\"},
        {"C:\\out\\\\/\\", "C:\\out\\"},
        {"C:/out/", "C:/out\\"},
        {"C:\\", "C:\\"},
        {"", ""},
        {trail, trail + "\\"},
        {trail + "\\", trail + "\\"},
        {"D:\\下载 ", "D:\\下载 \\"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.out, core.parsePath(c.in.c_str()).str()) << c.in;
}

TEST_F(CoreTest, IsPathExistOnlyForDirectories) {
    CCore core;
    const std::string file = m_dir + "\\a.txt";
    WriteAll(file, "x");
    EXPECT_NE(0, core.isPathExist(m_dir.c_str()));
    EXPECT_NE(0, core.isPathExist((m_dir + "\\").c_str()));
    EXPECT_EQ(0, core.isPathExist(file.c_str()));
    EXPECT_EQ(0, core.isPathExist((m_dir + "\\missing").c_str()));
    EXPECT_EQ(0, core.isPathExist(""));
}

TEST(NumberTest, GetStrIntIsDecimal) {
    CCore core;
    EXPECT_STREQ("0", core.getStrInt(0));
    EXPECT_STREQ("20", core.getStrInt(20));
    EXPECT_STREQ("-1", core.getStrInt(-1));
    EXPECT_STREQ("2147483647", core.getStrInt(INT_MAX));
    EXPECT_STREQ("-2147483648", core.getStrInt(INT_MIN));
}

using OutputTest = CoreTest;

// Text unique to one writer and one round, with NUL bytes and GBK bytes in it.
std::string Content(int writer, int round, size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>((i * 131 + static_cast<size_t>(writer) * 7 + round) % 256);
    return text;
}

TEST_F(OutputTest, ManyThreadsWriteTheirOwnFilesWhole) {
    CCore core;  // one shared instance, as the workers use it
    const int kWriters = 20;
    auto size = [](int i) { return i % 4 == 0 ? (3u << 20) + i : 1000u * i + 1; };
    auto path = [&](int i) { return m_dir + "\\page" + std::to_string(i) + ".txt"; };
    std::vector<std::thread> writers;
    for (int i = 0; i < kWriters; ++i) {
        writers.emplace_back([&, i] {
            for (int round = 0; round < 2; ++round) {
                const std::string text = Content(i, round, size(i) >> round);
                core.outTxtFile(CString(text.data(), static_cast<int>(text.size())),
                                path(i).c_str());
            }
        });
    }
    for (std::thread& t : writers) t.join();
    for (int i = 0; i < kWriters; ++i)
        EXPECT_TRUE(Content(i, 1, size(i) >> 1) == ReadAll(path(i))) << i;
    EXPECT_EQ(static_cast<size_t>(kWriters), Listing(m_dir).size());  // no temporary files
}

TEST_F(OutputTest, EmptyTextWritesNothing) {
    CCore core;
    const std::string absent = m_dir + "\\absent.txt", kept = m_dir + "\\kept.txt";
    WriteAll(kept, "old");
    core.outTxtFile("", absent.c_str());
    core.outTxtFile("", kept.c_str());
    EXPECT_FALSE(Exists(absent));
    EXPECT_EQ("old", ReadAll(kept));
}

TEST_F(OutputTest, ReplacesALongerFileAndTakesGbkNames) {
    CCore core;
    const std::string path = m_dir + "\\" + kBackslashTrail + ".txt";
    WriteAll(path, std::string(10000, 'x'));
    core.outTxtFile("新的(at)", path.c_str());
    EXPECT_EQ("新的(at)", ReadAll(path));
    EXPECT_EQ(1u, Listing(m_dir).size());
}

TEST_F(OutputTest, AFailedWriteLeavesNoFile) {
    CCore core;
    const std::string inMissing = m_dir + "\\missing\\a.txt";
    core.outTxtFile("text", inMissing.c_str());
    EXPECT_FALSE(Exists(inMissing));

    const std::string folder = m_dir + "\\folder";  // a directory cannot be replaced by a file
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    core.outTxtFile("text", folder.c_str());
    EXPECT_NE(0, core.isPathExist(folder.c_str()));
    EXPECT_EQ(std::vector<std::string>{"folder"}, Listing(m_dir));
}

}  // namespace
