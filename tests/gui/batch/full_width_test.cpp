// Batches at the program's stated limits at once: twenty different pages of 16 MB at 20
// threads in both formats, and one page listed twenty times. The large batches print the
// program's peak memory and their wall time (tools/bench-full-width.sh collects them).
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <thread>

#include "fetch/output_name.h"
#include "tests/gui/batch/batch_fixture.h"
#include "tests/gui/mht/mime_archive.h"
#include "tests/unit/mht_test_decoders.h"

namespace batch {
namespace {

constexpr size_t kLargePage = 16u << 20;  // the largest page the program takes
constexpr int kWidth = 20;                // its most threads, and as many pages
// The pages' own bound is 60 s; the rest is the program's start-up under load.
constexpr DWORD kLargeBatchMs = 150000;

// One 64-byte line of the server's /text/SIZE/SEED pages (tests/server/pageserver.py), as
// served or as the program saves it in format 1 (CR LF, "@" for "(at)").
std::string TextUnit(int seed, bool saved) {
    char head[32];
    std::snprintf(head, sizeof head, saved ? "page %06d @ " : "page %06d (at) ", seed);
    const std::string served = std::string(head) + Pattern(63 - 17);
    return saved ? served + "\r\n" : served + "\n";
}

// A /text page of `size` bytes (a whole number of lines), served or saved.
std::string TextPage(size_t size, int seed, bool saved) {
    const std::string unit = TextUnit(seed, saved);
    std::string page;
    page.reserve(size / 64 * unit.size());
    for (size_t i = 0; i < size / 64; ++i) page += unit;
    return page;
}

std::string TextPath(size_t size, int seed, bool html) {
    return "/text/" + std::to_string(size) + "/" + std::to_string(seed) + (html ? "?html" : "");
}

// A large page as the hardest case for memory: no length announced, so its body grows as it
// comes, and spread over 3 s, so that all twenty arrive, and are held, at once.
std::string LargePath(int seed, bool html) {
    return TextPath(kLargePage, seed, html) + (html ? "&" : "?") + "nolength&ms=3000";
}

// The peak private bytes and working set of a process, sampled while it works (Wine reports
// no peak of its own for private bytes).
class MemorySampler {
public:
    explicit MemorySampler(HANDLE process)
        : m_process(process), m_thread([this] {
              while (!m_stop) {
                  Sample();
                  ::Sleep(20);
              }
              Sample();
          }) {}
    ~MemorySampler() { Stop(); }

    void Stop() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    double PeakPrivateMb() const { return m_private / 1048576.0; }
    double PeakWorkingSetMb() const { return m_workingSet / 1048576.0; }

private:
    void Sample() {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof counters;
        if (!::GetProcessMemoryInfo(m_process, &counters, sizeof counters)) return;
        m_private =
            std::max<SIZE_T>({m_private, counters.PagefileUsage, counters.PeakPagefileUsage});
        m_workingSet =
            std::max<SIZE_T>({m_workingSet, counters.WorkingSetSize, counters.PeakWorkingSetSize});
    }

    HANDLE m_process;
    std::atomic<bool> m_stop{false};
    SIZE_T m_private = 0;
    SIZE_T m_workingSet = 0;
    std::thread m_thread;
};

class FullWidthTest : public BatchTest {
protected:
    void StartInFormat(int format) { Start(gui::SettingsText(out_, format, kWidth)); }

    // Runs the imported batch to its end and prints its figures under `name`.
    void RunMeasured(const std::string& name) {
        MemorySampler sampler(app_.Handle());
        const auto started = std::chrono::steady_clock::now();
        RunToEnd(kLargeBatchMs);
        const auto wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - started)
                                .count();
        sampler.Stop();
        char line[200];
        std::snprintf(
            line, sizeof line,
            "full width: %s: wall %lld ms, peak private %.0f MB, peak working set %.0f MB\n",
            name.c_str(), static_cast<long long>(wallMs), sampler.PeakPrivateMb(),
            sampler.PeakWorkingSetMb());
        std::cout << line << std::flush;
        RecordProperty("wall_ms", static_cast<int>(wallMs));
        RecordProperty("peak_private_mb", static_cast<int>(sampler.PeakPrivateMb()));
    }

    std::string ArchivePath(const std::string& url) const {
        const std::string path = OutputPath(url);
        return path.substr(0, path.size() - 4) + ".mht";
    }

    // The page of the archive at `path`, decoded; empty with a failure when it is not there
    // or not a well-formed archive.
    static std::string ArchivedPage(const std::string& path) {
        std::string bytes, error;
        mht_gui::MimeArchive archive;
        if (!ReadWholeFile(path, &bytes) || !mht_gui::ReadArchive(bytes, &archive, &error) ||
            archive.parts.empty()) {
            ADD_FAILURE() << path << ": no archive (" << error << ")";
            return std::string();
        }
        const mht_gui::MimePart& page = archive.parts[0];
        EXPECT_EQ("quoted-printable",
                  mht_gui::HeaderValue(page.headers, "Content-Transfer-Encoding"));
        return mht_test::DecodeQuotedPrintable(page.body);
    }

    // Runs the imported list of one URL listed twenty times, `rounds` times over; after each
    // round exactly one whole file is left (`whole` checks it), and nothing else.
    template <class Whole>
    void RunRepeatedRounds(const std::string& fileName, int rounds, Whole whole) {
        for (int round = 0; round < rounds; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            ASSERT_NO_FATAL_FAILURE(RunToEnd(60000));
            ASSERT_EQ(std::vector<std::string>{fileName}, FilesIn(out_))
                << "one file, and no temporary file";
            ASSERT_TRUE(whole()) << fileName << " is not the whole page";
        }
    }
};

TEST_F(FullWidthTest, TwentyLargeTextPagesAtTwentyThreadsAreAllWrittenWhole) {
    std::vector<std::string> urls;
    for (int seed = 0; seed < kWidth; ++seed) urls.push_back(server_->Http(LargePath(seed, false)));
    ASSERT_NO_FATAL_FAILURE(StartInFormat(1));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    ASSERT_NO_FATAL_FAILURE(RunMeasured("20 text pages of 16 MB at 20 threads"));

    EXPECT_EQ(static_cast<size_t>(kWidth), FilesIn(out_).size()) << "no temporary file is left";
    for (int seed = 0; seed < kWidth; ++seed) {
        std::string saved;
        ASSERT_TRUE(ReadWholeFile(OutputPath(urls[seed]), &saved)) << urls[seed] << " was lost";
        EXPECT_TRUE(saved == TextPage(kLargePage, seed, true))
            << urls[seed] << ": " << saved.size() << " bytes";
    }
}

TEST_F(FullWidthTest, TwentyLargeArchivesAtTwentyThreadsAreAllWrittenWhole) {
    std::vector<std::string> urls;
    for (int seed = 0; seed < kWidth; ++seed) urls.push_back(server_->Http(LargePath(seed, true)));
    ASSERT_NO_FATAL_FAILURE(StartInFormat(2));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    ASSERT_NO_FATAL_FAILURE(RunMeasured("20 archives of 16 MB pages at 20 threads"));

    EXPECT_EQ(static_cast<size_t>(kWidth), FilesIn(out_).size()) << "no temporary file is left";
    for (int seed = 0; seed < kWidth; ++seed) {
        const std::string page = ArchivedPage(ArchivePath(urls[seed]));
        EXPECT_TRUE(page == TextPage(kLargePage, seed, false))
            << urls[seed] << ": a page of " << page.size() << " bytes";
    }
}

// Workers of one name run at once: none may delete the file another wrote, and a rename that
// meets another's is tried again. The fault showed in about one batch of five.
TEST_F(FullWidthTest, APageListedTwentyTimesLeavesOneWholeTextFile) {
    const std::string url = server_->Http(TextPath(2u << 20, 1, false));
    const std::string expected = TextPage(2u << 20, 1, true);
    std::ofstream(OutputPath(url), std::ios::binary) << "older file";
    ASSERT_NO_FATAL_FAILURE(StartInFormat(1));
    ASSERT_NO_FATAL_FAILURE(ImportList(std::vector<std::string>(kWidth, url)));
    RunRepeatedRounds(OutputFileName(CString(url)).str(), 10, [&] {
        std::string saved;
        return ReadWholeFile(OutputPath(url), &saved) && saved == expected;
    });
}

TEST_F(FullWidthTest, APageListedTwentyTimesLeavesOneWholeArchive) {
    const std::string url = server_->Http(TextPath(2u << 20, 2, true));
    const std::string expected = TextPage(2u << 20, 2, false);
    std::ofstream(ArchivePath(url), std::ios::binary) << "older archive";
    ASSERT_NO_FATAL_FAILURE(StartInFormat(2));
    ASSERT_NO_FATAL_FAILURE(ImportList(std::vector<std::string>(kWidth, url)));
    const std::string path = ArchivePath(url);
    RunRepeatedRounds(path.substr(out_.size() + 1), 6,
                      [&] { return ArchivedPage(path) == expected; });
}

// Some copies fail, some succeed: the page stays. Every copy fails: no file, the older one gone.
TEST_F(FullWidthTest, ANameKeepsAFileWhenAnyOfItsFetchesSucceeded) {
    const std::string good = server_->Http("/lf");
    // The same name (letter case is dropped); the server has no such route and answers 404.
    const std::string bad = server_->Http("/LF");
    const std::string failing = server_->Http("/status/404");
    for (const std::string& url : {good, failing})
        std::ofstream(OutputPath(url), std::ios::binary) << "older file";
    std::vector<std::string> urls;
    for (int i = 0; i < 10; ++i) {
        urls.push_back(i % 3 == 0 ? good : bad);
        urls.push_back(failing);
    }
    urls.push_back(bad);  // the last of the name fails, after the page was written
    ASSERT_NO_FATAL_FAILURE(StartInFormat(1));
    ASSERT_NO_FATAL_FAILURE(ImportList(urls));
    ASSERT_NO_FATAL_FAILURE(RunToEnd());

    std::string saved;
    ASSERT_TRUE(ReadWholeFile(OutputPath(good), &saved)) << "a failed copy deleted the page";
    EXPECT_EQ("first line\r\nsecond line\r\nthird line\r\n", saved);
    EXPECT_FALSE(FileExists(OutputPath(failing))) << "every fetch failed: no file";
    EXPECT_EQ(std::vector<std::string>{OutputFileName(CString(good)).str()}, FilesIn(out_));
}

}  // namespace
}  // namespace batch
