#include "tests/gui/batch/batch_fixture.h"

#include <algorithm>
#include <cstdio>

#include "afx/path_calls.h"
#include "fetch/output_name.h"

namespace batch {

std::string Progress(int handedOut, int total, int active) {
    char text[128];
    std::snprintf(text, sizeof text, "进度 %d/%d， 当前 %d 个线程", handedOut, total, active);
    return text;
}

std::string Imported(int count) {
    char text[64];
    std::snprintf(text, sizeof text, "共导入 %d 条网址！", count);
    return text;
}

std::string Pattern(size_t n) {
    static const char kCycle[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const size_t period = sizeof kCycle - 1;
    std::string text(n, '\0');
    for (size_t i = 0; i < n; ++i) text[i] = kCycle[i % period];
    return text;
}

std::string SlowPath(int ms, const std::string& name) {
    return "/slow/" + std::to_string(ms) + "/" + name;
}

std::vector<std::string> FromRun(const std::vector<std::string>& lines) {
    return std::vector<std::string>(std::find(lines.begin(), lines.end(), kRunning), lines.end());
}

bool FileExists(const std::string& path) {
    return afx::FileAttributesAt(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void BatchTest::SetUp() {
    server_ = std::make_unique<LoopbackServer>();
    server_->ClearRecord();
    out_ = temp_.MakeFolder("out");
}

void BatchTest::StartWithThreads(int threads) {
    Start(gui::SettingsText(out_, 1, threads));
}

void BatchTest::ImportList(const std::vector<std::string>& urls) {
    std::string lines;
    for (const std::string& url : urls) lines += url + "\r\n";
    ImportUrls(lines, Imported(static_cast<int>(urls.size())));
}

void BatchTest::RunToEnd(DWORD timeoutMs) {
    ASSERT_TRUE(gui::Click(RunButton()));
    ASSERT_TRUE(gui::WaitForText(Status(), kFinished, timeoutMs))
        << "the batch has not ended: " << gui::Text(Status());
}

void BatchTest::Record() {
    recorder_ = std::make_unique<StatusRecorder>(Status(), RunButton());
}

std::vector<std::string> BatchTest::RecordBatch(DWORD timeoutMs) {
    Record();
    RunToEnd(timeoutMs);
    // The recorder may not have polled the last text yet.
    recorder_->WaitForLines({kRunning, kFinished}, gui::kWaitMs);
    recorder_->Stop();
    return recorder_->Lines();
}

void BatchTest::ExpectButtonStates(const std::vector<ButtonState>& expected) const {
    const auto states = recorder_->ButtonStates();
    auto next = states.begin();
    for (const ButtonState& wanted : expected) {
        next = std::find(next, states.end(), wanted);
        ASSERT_NE(states.end(), next) << "no button \"" << Readable(wanted.caption) << "\" "
                                      << (wanted.enabled ? "enabled" : "disabled");
        ++next;
    }
    EXPECT_TRUE(expected.back() == states.back())
        << "the button ends as \"" << Readable(states.back().caption) << "\"";
}

std::vector<std::string> BatchTest::SlowUrls(const std::vector<int>& delays,
                                             const std::string& tag) const {
    std::vector<std::string> urls;
    for (size_t i = 0; i < delays.size(); ++i)
        urls.push_back(server_->Http(SlowPath(delays[i], tag + std::to_string(i))));
    return urls;
}

std::vector<std::string> BatchTest::PathsOf(const std::vector<std::string>& urls) const {
    const size_t origin = server_->Http("").size();
    std::vector<std::string> paths;
    for (const std::string& url : urls) paths.push_back(url.substr(origin));
    return paths;
}

std::vector<std::string> BatchTest::RequestedPaths(const std::string& prefix) const {
    std::vector<std::string> paths;
    for (const RecordedRequest& request : server_->Requests(prefix)) paths.push_back(request.path);
    return paths;
}

std::string BatchTest::OutputPath(const std::string& url) const {
    return out_ + "\\" + OutputFileName(CString(url)).str();
}

void BatchTest::ExpectEndState() const {
    EXPECT_EQ(kFinished, gui::Text(Status()));
    EXPECT_EQ(kCaptionStart, gui::Text(RunButton()));
    EXPECT_TRUE(IsWindowEnabled(RunButton()));
}

}  // namespace batch
