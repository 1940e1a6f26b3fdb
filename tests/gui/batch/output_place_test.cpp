// Batches whose output goes where paths pass MAX_PATH, or onto a disk that fills up: every
// page is whole or absent, no temporary file stays, and the batch ends.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "afx/path_calls.h"
#include "afx/whole_file.h"
#include "fetch/output_name.h"
#include "tests/gui/batch/batch_fixture.h"
#include "tests/gui/mht/mime_archive.h"

namespace batch {
namespace {

std::string ArchiveName(const std::string& url) {
    const std::string name = OutputFileName(CString(url)).str();
    return name.substr(0, name.size() - 4) + ".mht";
}

void WriteOldFile(const std::string& path) {
    ASSERT_TRUE(SUCCEEDED(afx::WriteWholeFile(afx::WidePath(path.c_str()), "older file", true)))
        << path;
}

class OutputPlaceTest : public BatchTest {
protected:
    void StartWithFormat(int format, int threads) {
        Start(gui::SettingsText(out_, format, threads));
    }
    std::string ArchivePath(const std::string& url) const { return out_ + "\\" + ArchiveName(url); }
    std::string Contents(const std::string& path) const {
        std::string content;
        ReadWholeFile(path, &content);
        return content;
    }
};

TEST_F(OutputPlaceTest, LongFoldersGetTheirTextPages) {
    const std::string good = server_->Http("/crlf"), again = server_->Http("/lf");
    const std::string failed = server_->Http("/status/404");
    const std::string lines = "first line\r\nsecond line\r\nthird line\r\n";
    bool started = false;
    for (size_t length : {240u, 400u}) {
        SCOPED_TRACE(length);
        out_ = temp_.MakeFolderOfLength(length);
        ASSERT_EQ(length, out_.size());
        // Past MAX_PATH with the name: the old file must still go when the page fails.
        ASSERT_GT(OutputPath(failed).size(), 260u);
        ASSERT_NO_FATAL_FAILURE(WriteOldFile(OutputPath(failed)));
        ASSERT_NO_FATAL_FAILURE(WriteOldFile(OutputPath(again)));
        if (!started) {
            ASSERT_NO_FATAL_FAILURE(StartWithFormat(1, 2));
            ASSERT_NO_FATAL_FAILURE(ImportList({good, again, failed}));
            started = true;
        } else {
            ASSERT_TRUE(gui::SetText(Item(gui::id::kOutDir), out_));
        }
        ASSERT_NO_FATAL_FAILURE(RunToEnd(60000));

        EXPECT_EQ(lines, Contents(OutputPath(good)));
        EXPECT_EQ(lines, Contents(OutputPath(again)));
        EXPECT_FALSE(FileExists(OutputPath(failed)));
        EXPECT_EQ(2u, FilesIn(out_).size()) << "a temporary or stale file was left";
    }
}

TEST_F(OutputPlaceTest, ALongFolderGetsItsArchives) {
    out_ = temp_.MakeFolderOfLength(240);
    const std::string page = server_->Http("/site/frame.html");
    const std::string failed = server_->Http("/status/404");
    ASSERT_GT(ArchivePath(failed).size(), 260u);
    ASSERT_NO_FATAL_FAILURE(WriteOldFile(ArchivePath(failed)));
    ASSERT_NO_FATAL_FAILURE(WriteOldFile(ArchivePath(page)));

    ASSERT_NO_FATAL_FAILURE(StartWithFormat(2, 2));
    ASSERT_NO_FATAL_FAILURE(ImportList({page, failed}));
    ASSERT_NO_FATAL_FAILURE(RunToEnd(60000));

    mht_gui::MimeArchive archive;
    std::string error;
    ASSERT_TRUE(mht_gui::ReadArchive(Contents(ArchivePath(page)), &archive, &error)) << error;
    EXPECT_EQ(2u, archive.parts.size()) << "the page and its image";
    EXPECT_FALSE(FileExists(ArchivePath(failed)));
    EXPECT_EQ(std::vector<std::string>{ArchiveName(page)}, FilesIn(out_));
}

// On the small tmpfs the fixture mounts; skipped where it could not.
class FullDiskTest : public OutputPlaceTest {
protected:
    void SetUp() override {
        OutputPlaceTest::SetUp();
        // build/small-disk, beside the folder of the test programs.
        char exe[MAX_PATH];
        const DWORD length = ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
        ASSERT_TRUE(length > 0 && length < MAX_PATH);
        std::string folder(exe, length);
        folder = folder.substr(0, folder.find_last_of('\\'));
        folder = folder.substr(0, folder.find_last_of('\\')) + "\\small-disk";
        if (!FileExists(folder + "\\mounted")) GTEST_SKIP() << "no small disk mounted";
        out_ = folder + "\\out";
        ::CreateDirectoryA(out_.c_str(), nullptr);
        ClearOutput();
    }
    void TearDown() override { ClearOutput(); }
    void ClearOutput() {
        if (out_.empty()) return;
        for (const std::string& name : FilesIn(out_))
            afx::DeleteFileAt((out_ + "\\" + name).c_str());
    }

    // Large pages, five of which cannot fit on the disk together, then a small one.
    std::vector<std::string> Urls() const {
        std::vector<std::string> urls;
        for (int i = 1; i <= 5; ++i)
            urls.push_back(
                server_->Http("/big/" + std::to_string(kBig) + "?n=" + std::to_string(i)));
        urls.push_back(server_->Http("/lf"));
        return urls;
    }

    // One thread, so that the small page comes after the disk is full and alone.
    void RunBatch(int format) {
        ASSERT_NO_FATAL_FAILURE(StartWithFormat(format, 1));
        ASSERT_NO_FATAL_FAILURE(ImportList(Urls()));
        ASSERT_NO_FATAL_FAILURE(RunToEnd(60000));
        ExpectEndState();
    }

    static constexpr size_t kBig = 120000;
};

TEST_F(FullDiskTest, TextPagesAreWholeOrAbsent) {
    ASSERT_NO_FATAL_FAILURE(RunBatch(1));
    const std::vector<std::string> urls = Urls();
    std::vector<std::string> expected;
    int saved = 0;
    for (size_t i = 0; i + 1 < urls.size(); ++i) {
        std::string content;
        if (!ReadWholeFile(OutputPath(urls[i]), &content)) continue;
        ++saved;
        expected.push_back(OutputFileName(CString(urls[i])).str());
        EXPECT_TRUE(content == Pattern(kBig)) << urls[i] << ": " << content.size() << " bytes";
    }
    std::cout << saved << " of 5 large pages fitted\n";
    EXPECT_GT(saved, 0);
    EXPECT_LT(saved, 5) << "the disk never filled up";
    EXPECT_EQ("first line\r\nsecond line\r\nthird line\r\n", Contents(OutputPath(urls.back())))
        << "the batch went on after the disk was full";
    expected.push_back(OutputFileName(CString(urls.back())).str());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, FilesIn(out_)) << "only whole pages, no temporary file";
}

TEST_F(FullDiskTest, ArchivesAreWholeOrAbsent) {
    ASSERT_NO_FATAL_FAILURE(RunBatch(2));
    const std::vector<std::string> urls = Urls();
    std::vector<std::string> expected;
    int saved = 0;
    for (const std::string& url : urls) {
        std::string content;
        if (!ReadWholeFile(ArchivePath(url), &content)) continue;
        if (url != urls.back()) ++saved;
        expected.push_back(ArchiveName(url));
        mht_gui::MimeArchive archive;
        std::string error;
        EXPECT_TRUE(mht_gui::ReadArchive(content, &archive, &error)) << url << ": " << error;
    }
    std::cout << saved << " of 5 large archives fitted\n";
    EXPECT_GT(saved, 0);
    EXPECT_LT(saved, 5) << "the disk never filled up";
    EXPECT_TRUE(FileExists(ArchivePath(urls.back())))
        << "the batch went on after the disk was full";
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, FilesIn(out_)) << "only whole archives, no temporary file";
}

}  // namespace
}  // namespace batch
