// The long run of tests/soak/soak.py: one batch over the list it names, at 20 threads, format 1,
// into the folder it watches. Skipped unless soak.py sets the environment. Benchmarks run it
// too, in format 2 with BRINDLOW_SOAK_FORMAT=2.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/gui/batch/batch_fixture.h"

namespace batch {
namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

void Report(const std::string& path, const std::string& line) {
    FILE* file = std::fopen(path.c_str(), "ab");
    ASSERT_NE(nullptr, file) << path;
    std::fputs((line + "\n").c_str(), file);
    std::fclose(file);
}

class SoakTest : public BatchTest {};

TEST_F(SoakTest, RunsTheWholeList) {
    const std::string list = Env("BRINDLOW_SOAK_LIST");
    const std::string result = Env("BRINDLOW_SOAK_RESULT");
    if (list.empty() || result.empty()) GTEST_SKIP() << "run by tests/soak/soak.py";
    out_ = Env("BRINDLOW_SOAK_OUT");
    const DWORD timeoutMs =
        static_cast<DWORD>(std::atoi(Env("BRINDLOW_SOAK_SECONDS").c_str())) * 1000;

    std::string lines;
    ASSERT_TRUE(gui::ReadWholeFile(list, &lines)) << list;
    const int count = static_cast<int>(std::count(lines.begin(), lines.end(), '\n'));
    const int format = Env("BRINDLOW_SOAK_FORMAT") == "2" ? 2 : 1;
    Start(gui::SettingsText(out_, format, 20));
    ImportUrls(lines, Imported(count));

    // The watcher samples the process from here on.
    Report(result, "run");
    const DWORD start = GetTickCount();
    ASSERT_TRUE(gui::Click(RunButton()));
    const bool ended = gui::WaitForText(Status(), kFinished, timeoutMs);
    const DWORD wallMs = GetTickCount() - start;
    Report(result, ended ? "wall_ms " + std::to_string(wallMs) : "hang");
    ASSERT_TRUE(ended) << "the batch has not ended: " << gui::Text(Status());
    ExpectEndState();
    Close();
}

}  // namespace
}  // namespace batch
