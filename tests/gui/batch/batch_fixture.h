// A test that runs whole batches: brindlow.exe with an output folder of its own, a URL list
// imported through the file chooser, and the loopback server whose pages it fetches.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/gui/app_fixture.h"
#include "tests/gui/batch/loopback_server.h"
#include "tests/gui/batch/status_recorder.h"

namespace batch {

// What the dialog shows, as the user reads it.
constexpr char kRunning[] = "正在运行...";
constexpr char kFinished[] = "执行结束！";
constexpr char kNoUrls[] = "请先导入网址！";
constexpr char kCaptionStop[] = "停止";
constexpr char kCaptionStopping[] = "正在停止";
constexpr char kCaptionStart[] = "开始";

// "进度 n/total， 当前 active 个线程"
std::string Progress(int handedOut, int total, int active);
// "共导入 n 条网址！"
std::string Imported(int count);
// The first `n` bytes of the server's endless "A".."Z", "a".."z", "0".."9" cycle.
std::string Pattern(size_t n);
// A /slow page of the server: answered after `ms`, body "slow MS NAME\n".
std::string SlowPath(int ms, const std::string& name);

// The lines from the first "正在运行..." on: what one batch showed.
std::vector<std::string> FromRun(const std::vector<std::string>& lines);

using gui::FilesIn;
using gui::ReadWholeFile;
bool FileExists(const std::string& path);

class BatchTest : public gui::AppTest {
protected:
    void SetUp() override;

    // Starts the program on the output folder, format 1 (page source) and `threads`.
    void StartWithThreads(int threads);
    // Imports these URLs, one a line, through the file chooser.
    void ImportList(const std::vector<std::string>& urls);
    // Clicks Run and waits for the end of the batch.
    void RunToEnd(DWORD timeoutMs = gui::kWaitMs);
    // Starts recording the status line and the Run button.
    void Record();
    // Runs the imported batch to its end while recording; the distinct status lines seen.
    std::vector<std::string> RecordBatch(DWORD timeoutMs = gui::kWaitMs);
    // Expects the recorded button states to pass through `expected` in order and end there.
    void ExpectButtonStates(const std::vector<ButtonState>& expected) const;

    // One /slow URL per delay, named `tag` and its index.
    std::vector<std::string> SlowUrls(const std::vector<int>& delays, const std::string& tag) const;
    // The targets the server sees for these URLs of its http port.
    std::vector<std::string> PathsOf(const std::vector<std::string>& urls) const;
    // The targets of the recorded requests that start with `prefix`, in the order served.
    std::vector<std::string> RequestedPaths(const std::string& prefix) const;

    HWND Status() const { return Item(gui::id::kStatus); }
    HWND RunButton() const { return Item(gui::id::kRun); }
    // Where the program saves the page of `url`.
    std::string OutputPath(const std::string& url) const;
    // Expects the idle state after a batch: "执行结束！", caption "开始", button enabled.
    void ExpectEndState() const;

    std::unique_ptr<LoopbackServer> server_;
    std::string out_;
    std::unique_ptr<StatusRecorder> recorder_;
};

}  // namespace batch
