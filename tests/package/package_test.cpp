// The packages as a user meets them, in a Wine prefix of their own that nothing was installed
// in before (tests/package/run_package_tests.sh makes it): the installer run silently, the
// installed program running a batch, the silent uninstall; and the portable zip's program run
// from a folder whose path holds Chinese characters.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "cdo/com_ptr.h"
#include "fetch/output_name.h"
#include "tests/gui/batch/batch_fixture.h"
#include "tests/gui/mht/mime_archive.h"

namespace package {
namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brindlow";
const char kGuideLink[] = "Brindlow 使用说明.lnk";
// What the installer puts in the program's folder.
const std::vector<std::string> kInstalledFiles = {"brindlow.exe", "dialog.png", "guide.txt",
                                                  "mavrel.dll", "uninstall.exe"};

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
    return path;
}

std::string InstallFolder() {
    return ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Brindlow";
}
std::string MenuFolder() {
    return ShellFolder(CSIDL_PROGRAMS) + "\\Brindlow";
}

// A string value of the per-user uninstall entry; "<none>" when it is not there.
std::string UninstallValue(const char* name) {
    char value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return "<none>";
    return value;
}

bool KeyExists(HKEY root, const char* path) {
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(root, path, 0, KEY_READ, &opened);
    const afx::UniqueHandle<afx::NullEmptyTraits<HKEY, &::RegCloseKey>> key(opened);
    return result == ERROR_SUCCESS;
}

// Where a shortcut points; empty when it cannot be read.
std::string ShortcutTarget(const std::string& linkPath) {
    const afx::UniqueComApartment com(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    cdo::ComPtr<IShellLinkA> link;
    cdo::ComPtr<IPersistFile> file;
    wchar_t wide[MAX_PATH] = {};
    char target[MAX_PATH] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) ||
        !MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH) ||
        FAILED(file->Load(wide, STGM_READ)) || FAILED(link->GetPath(target, MAX_PATH, nullptr, 0)))
        return "";
    return target;
}

// The name the program gives the archive of `url`: its text name with ".mht" for ".txt".
std::string ArchiveName(const std::string& url) {
    const std::string name = OutputFileName(CString(url)).str();
    return name.substr(0, name.size() - 4) + ".mht";
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Runs `commandLine` and waits for it; its exit code, or -1 when it did not start or end.
int RunAndWait(const std::string& commandLine, DWORD timeoutMs) {
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return -1;
    afx::UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return static_cast<int>(code);
}

// A batch of two good pages and a missing one; the files it must leave.
class PackagedBatchTest : public batch::BatchTest {
protected:
    void RunSmallBatch(int format) {
        const std::vector<std::string> urls = {server_->Http("/lf"), server_->Http("/crlf"),
                                               server_->Http("/status/404")};
        Start(gui::SettingsText(out_, format, 2));
        ImportList(urls);
        RunToEnd();
        Close();
    }
};

// The installer's tests run in order: installed once for the suite, uninstalled by the last.
class InstallerTest : public PackagedBatchTest {
protected:
    static void SetUpTestSuite() {
        s_installExit = RunAndWait("\"" + Env("BRINDLOW_INSTALLER") + "\" /S", 120000);
    }
    void SetUp() override {
        ASSERT_FALSE(Env("BRINDLOW_INSTALLER").empty()) << "BRINDLOW_INSTALLER names no installer";
        ASSERT_EQ(0, s_installExit) << "the silent install failed";
        PackagedBatchTest::SetUp();
    }
    std::string ProgramUnderTest() const override { return InstallFolder() + "\\brindlow.exe"; }

    static int s_installExit;
};
int InstallerTest::s_installExit = -1;

TEST_F(InstallerTest, PutsProgramGuideAndUninstallerInTheUsersProgramsFolder) {
    EXPECT_EQ(kInstalledFiles, gui::FilesIn(InstallFolder())) << InstallFolder();
}

TEST_F(InstallerTest, AddsStartMenuShortcutsAndAnAppsAndFeaturesEntryForTheUser) {
    EXPECT_EQ(Lower(InstallFolder() + "\\brindlow.exe"),
              Lower(ShortcutTarget(MenuFolder() + "\\Brindlow.lnk")));
    EXPECT_EQ(Lower(InstallFolder() + "\\guide.txt"),
              Lower(ShortcutTarget(MenuFolder() + "\\" + kGuideLink)));

    // The entry tells the two builds apart; a 64-bit program reads the 64-bit registry view.
    EXPECT_EQ(sizeof(void*) == 8 ? "Brindlow (64 位)" : "Brindlow", UninstallValue("DisplayName"));
    EXPECT_EQ("2.0.2.5", UninstallValue("DisplayVersion"));
    EXPECT_EQ("Brindlow", UninstallValue("Publisher"));
    EXPECT_EQ(Lower("\"" + InstallFolder() + "\\uninstall.exe\""),
              Lower(UninstallValue("UninstallString")));
    EXPECT_EQ(Lower("\"" + InstallFolder() + "\\uninstall.exe\" /S"),
              Lower(UninstallValue("QuietUninstallString")));
    // Per user: nothing under the machine's keys, which would need administrator rights.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(InstallerTest, InstalledProgramRunsABatch) {
    RunSmallBatch(1);
    EXPECT_EQ((std::vector<std::string>{OutputFileName(CString(server_->Http("/crlf"))).str(),
                                        OutputFileName(CString(server_->Http("/lf"))).str()}),
              gui::FilesIn(out_));
    std::string page;
    ASSERT_TRUE(gui::ReadWholeFile(OutputPath(server_->Http("/lf")), &page));
    EXPECT_EQ("first line\r\nsecond line\r\nthird line\r\n", page);
    EXPECT_TRUE(gui::SettingsExist()) << "the installed program saves its settings";
}

// Last of the suite: removes what the installer put there and nothing else.
TEST_F(InstallerTest, SilentUninstallRemovesWhatTheInstallerPutThere) {
    gui::WriteSettings(gui::SettingsText(out_, 2, 7));
    const std::string ownFile = InstallFolder() + "\\my notes.txt";
    std::ofstream(ownFile, std::ios::binary) << "kept";

    ASSERT_EQ(0, RunAndWait("\"" + InstallFolder() + "\\uninstall.exe\" /S", 60000));
    // The uninstaller runs on from a copy of itself and returns at once: wait for its work.
    const std::string uninstaller = InstallFolder() + "\\uninstall.exe";
    EXPECT_TRUE(gui::WaitUntil([&] { return !batch::FileExists(uninstaller); }, 60000));
    EXPECT_TRUE(gui::WaitUntil([] { return !KeyExists(HKEY_CURRENT_USER, kUninstallKey); }, 60000));

    EXPECT_EQ(std::vector<std::string>{"my notes.txt"}, gui::FilesIn(InstallFolder()));
    EXPECT_FALSE(batch::FileExists(MenuFolder())) << "the Start-menu folder stays";
    EXPECT_EQ("<none>", UninstallValue("DisplayName"));
    // A silent uninstall keeps the user's settings.
    EXPECT_EQ("7", gui::SettingValue("threadcount"));
}

class PortableTest : public PackagedBatchTest {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("BRINDLOW_PORTABLE_DIR").empty())
            << "BRINDLOW_PORTABLE_DIR names no folder";
        PackagedBatchTest::SetUp();
    }
    std::string ProgramUnderTest() const override {
        return Env("BRINDLOW_PORTABLE_DIR") + "\\brindlow.exe";
    }
};

TEST_F(PortableTest, RunsAnArchiveBatchFromAFolderWithChineseInItsPath) {
    // The run's prefix shows everything at 150 % (run_package_tests.sh).
    const std::unique_ptr<HDC__, void (*)(HDC)> screen(GetDC(nullptr),
                                                       [](HDC dc) { ReleaseDC(nullptr, dc); });
    EXPECT_EQ(144, GetDeviceCaps(screen.get(), LOGPIXELSX));
    EXPECT_NE(std::string::npos, Env("BRINDLOW_PORTABLE_DIR").find("绿色"));
    RunSmallBatch(2);

    const std::string page = server_->Http("/lf");
    std::string bytes, error;
    EXPECT_EQ((std::vector<std::string>{ArchiveName(server_->Http("/crlf")), ArchiveName(page)}),
              gui::FilesIn(out_));
    ASSERT_TRUE(gui::ReadWholeFile(out_ + "\\" + ArchiveName(page), &bytes));
    mht_gui::MimeArchive archive;
    ASSERT_TRUE(mht_gui::ReadArchive(bytes, &archive, &error)) << error;
    EXPECT_EQ(std::vector<std::string>{page}, archive.Locations());
}

}  // namespace
}  // namespace package
