// fetch_probe.exe: one WinInet GET made the way the program makes it, with a timed report of
// each step. It measures how the platform (Wine in particular) honours time-outs, certificate
// checks and a handle closed from another thread.
//
// Usage: fetch_probe.exe [options] URL
//   --timeouts-on LIST  where the time-outs are set: a comma list of
//                       session  InternetOpen handle: connect, receive, send, data receive,
//                                data send time-outs, back-off 1000 ms, 1 retry (default)
//                       connect  InternetConnect handle: connect, receive and send time-outs
//                       request  HttpOpenRequest handle: the same three
//                       read     the request handle again after HttpSendRequest
//                       none     nowhere
//   --timeout MS        the time-out value (default 5000)
//   --cancel-after MS   another thread calls InternetCloseHandle after MS
//   --cancel-handle H   the handle it closes: request (default), connect or session
//   --flags HEX         request flags (default A4000000; INTERNET_FLAG_SECURE is added for
//                       https)
//   --out FILE          writes the body read to FILE
//   --repeat N          makes the whole fetch N times in a row, each with a session of its own
// Prints one "key=value ..." line per step; exit code 0 when the status is 200 and the whole
// body was read (as many bytes as a Content-Length declared), 1 otherwise.

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

const char kUserAgentHeader[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
const DWORD kDefaultRequestFlags = 0xA4000000;

// An internet handle that either thread may close; whoever takes it first closes it.
class SharedInternetHandle {
public:
    SharedInternetHandle() = default;
    SharedInternetHandle(const SharedInternetHandle&) = delete;
    SharedInternetHandle& operator=(const SharedInternetHandle&) = delete;
    ~SharedInternetHandle() { Close(); }

    void Reset(HINTERNET handle) {
        Close();
        m_handle.store(handle);
        m_raw = handle;
    }
    // The handle as it was opened: still usable as an argument after another thread closed it,
    // so that the probe sees what WinInet then answers.
    HINTERNET Raw() const { return m_raw; }
    bool Close() {
        HINTERNET handle = m_handle.exchange(nullptr);
        return handle != nullptr && InternetCloseHandle(handle) != FALSE;
    }

private:
    std::atomic<HINTERNET> m_handle{nullptr};
    HINTERNET m_raw = nullptr;
};

struct Options {
    std::string url;
    bool onSession = true;
    bool onConnect = false;
    bool onRequest = false;
    bool onRead = false;
    DWORD timeout = 5000;
    long cancelAfterMs = -1;
    std::string cancelHandle = "request";
    DWORD flags = kDefaultRequestFlags;
    std::string outPath;
    int repeat = 1;
};

class Probe {
public:
    explicit Probe(const Options& options) : m_options(options), m_start(Clock::now()) {}
    int Run();

private:
    long Ms() const {
        return static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_start).count());
    }
    void Step(const char* name, bool ok) {
        DWORD error = ok ? 0 : GetLastError();
        std::printf("%s ok=%d ms=%ld error=%lu\n", name, ok ? 1 : 0, Ms(), error);
        std::fflush(stdout);
    }
    void SetTimeouts(const char* where, HINTERNET handle, bool all);
    void QueryReceiveTimeout(const char* where, HINTERNET handle);
    void StartCanceller();
    void StopCanceller();

    const Options& m_options;
    const Clock::time_point m_start;
    SharedInternetHandle m_session;
    SharedInternetHandle m_connection;
    SharedInternetHandle m_request;
    std::thread m_canceller;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
};

void Probe::SetTimeouts(const char* where, HINTERNET handle, bool all) {
    struct Setting {
        DWORD option;
        DWORD value;
    };
    const DWORD t = m_options.timeout;
    const Setting session[] = {
        {INTERNET_OPTION_CONNECT_TIMEOUT, t},   {INTERNET_OPTION_RECEIVE_TIMEOUT, t},
        {INTERNET_OPTION_SEND_TIMEOUT, t},      {INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, t},
        {INTERNET_OPTION_DATA_SEND_TIMEOUT, t}, {INTERNET_OPTION_CONNECT_BACKOFF, 1000},
        {INTERNET_OPTION_CONNECT_RETRIES, 1}};
    const Setting handleOnly[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, t},
                                  {INTERNET_OPTION_RECEIVE_TIMEOUT, t},
                                  {INTERNET_OPTION_SEND_TIMEOUT, t}};
    const Setting* begin = all ? session : handleOnly;
    const size_t count = all ? std::size(session) : std::size(handleOnly);
    for (size_t i = 0; i < count; ++i) {
        DWORD value = begin[i].value;
        const BOOL ok = InternetSetOptionA(handle, begin[i].option, &value, sizeof value);
        std::printf("setoption handle=%s option=%lu value=%lu ok=%d error=%lu\n", where,
                    begin[i].option, value, ok ? 1 : 0, ok ? 0 : GetLastError());
    }
}

void Probe::QueryReceiveTimeout(const char* where, HINTERNET handle) {
    DWORD value = 0;
    DWORD size = sizeof value;
    const BOOL ok = InternetQueryOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &value, &size);
    std::printf("query handle=%s option=6 ok=%d value=%lu\n", where, ok ? 1 : 0, value);
}

void Probe::StartCanceller() {
    if (m_options.cancelAfterMs < 0) return;
    m_canceller = std::thread([this] {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_done.wait_for(lock, std::chrono::milliseconds(m_options.cancelAfterMs),
                            [this] { return m_finished; })) {
            return;  // the fetch ended first
        }
        lock.unlock();
        SharedInternetHandle& target = m_options.cancelHandle == "session"   ? m_session
                                       : m_options.cancelHandle == "connect" ? m_connection
                                                                             : m_request;
        const bool ok = target.Close();
        std::printf("cancel handle=%s ok=%d ms=%ld\n", m_options.cancelHandle.c_str(), ok ? 1 : 0,
                    Ms());
        std::fflush(stdout);
    });
}

void Probe::StopCanceller() {
    if (!m_canceller.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
    }
    m_done.notify_all();
    m_canceller.join();
}

int Probe::Run() {
    char host[256] = {};
    char path[4096] = {};
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    // The path buffer must take the query too: InternetCrackUrl leaves it in lpszUrlPath
    // when no separate buffer is given for it.
    if (!InternetCrackUrlA(m_options.url.c_str(), 0, 0, &parts)) {
        Step("crackurl", false);
        return 1;
    }
    DWORD flags = m_options.flags;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    std::printf("url=%s host=%s port=%u path=%s flags=0x%08lx\n", m_options.url.c_str(), host,
                parts.nPort, path, flags);

    m_session.Reset(InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    Step("internetopen", m_session.Raw() != nullptr);
    if (m_session.Raw() == nullptr) return 1;
    if (m_options.onSession) SetTimeouts("session", m_session.Raw(), true);

    StartCanceller();
    int exitCode = 1;
    m_connection.Reset(InternetConnectA(m_session.Raw(), host, parts.nPort, nullptr, nullptr,
                                        INTERNET_SERVICE_HTTP, 0, 0));
    Step("connect", m_connection.Raw() != nullptr);
    if (m_connection.Raw() != nullptr) {
        if (m_options.onConnect) SetTimeouts("connect", m_connection.Raw(), false);
        QueryReceiveTimeout("connect", m_connection.Raw());
        m_request.Reset(
            HttpOpenRequestA(m_connection.Raw(), "GET", path, nullptr, nullptr, nullptr, flags, 0));
        Step("openrequest", m_request.Raw() != nullptr);
    }
    if (m_request.Raw() != nullptr) {
        HINTERNET request = m_request.Raw();
        if (m_options.onRequest) SetTimeouts("request", request, false);
        QueryReceiveTimeout("request", request);
        HttpAddRequestHeadersA(request, "Accept: */*", static_cast<DWORD>(-1),
                               HTTP_ADDREQ_FLAG_ADD_IF_NEW);
        HttpAddRequestHeadersA(request, kUserAgentHeader, static_cast<DWORD>(-1),
                               HTTP_ADDREQ_FLAG_ADD_IF_NEW);
        const BOOL sent = HttpSendRequestA(request, nullptr, 0, nullptr, 0);
        Step("send", sent != FALSE);
        DWORD status = 0;
        DWORD size = sizeof status;
        DWORD declaredLength = 0;
        bool hasLength = false;
        if (sent) {
            const BOOL ok = HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                           &status, &size, nullptr);
            std::printf("status=%lu ok=%d\n", status, ok ? 1 : 0);
            size = sizeof declaredLength;
            hasLength = HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                       &declaredLength, &size, nullptr) != FALSE;
            if (m_options.onRead) SetTimeouts("read", request, false);
        }
        if (sent) {
            FILE* out =
                m_options.outPath.empty() ? nullptr : std::fopen(m_options.outPath.c_str(), "wb");
            char buffer[4096];
            unsigned long long total = 0;
            DWORD got = 0;
            BOOL ok = FALSE;
            while ((ok = InternetReadFile(request, buffer, sizeof buffer, &got)) && got > 0) {
                total += got;
                if (out) std::fwrite(buffer, 1, got, out);
            }
            const DWORD error = ok ? 0 : GetLastError();
            const long elapsed = Ms();
            if (out) std::fclose(out);
            // Wine reports a body cut short by the server's close as a normal end: only the
            // declared length tells.
            const bool complete = !hasLength || total == declaredLength;
            std::printf("read ok=%d ms=%ld error=%lu bytes=%llu", ok ? 1 : 0, elapsed, error,
                        total);
            if (hasLength) std::printf(" contentlength=%lu", declaredLength);
            std::printf(" complete=%d\n", complete ? 1 : 0);
            if (ok && complete && status == 200) exitCode = 0;
        }
    }
    StopCanceller();
    m_request.Close();
    m_connection.Close();
    m_session.Close();
    std::printf("total ms=%ld result=%s\n", Ms(), exitCode == 0 ? "ok" : "fail");
    return exitCode;
}

bool ParseTimeoutPlaces(const char* list, Options& options) {
    options.onSession = options.onConnect = options.onRequest = options.onRead = false;
    std::string rest = list;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string item = rest.substr(0, comma);
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
        if (item == "session") {
            options.onSession = true;
        } else if (item == "connect") {
            options.onConnect = true;
        } else if (item == "request") {
            options.onRequest = true;
        } else if (item == "read") {
            options.onRead = true;
        } else if (item != "none") {
            return false;
        }
    }
    return true;
}

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--timeouts-on" && hasValue) {
            if (!ParseTimeoutPlaces(argv[++i], options)) return false;
        } else if (arg == "--timeout" && hasValue) {
            options.timeout = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--cancel-after" && hasValue) {
            options.cancelAfterMs = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--cancel-handle" && hasValue) {
            options.cancelHandle = argv[++i];
        } else if (arg == "--flags" && hasValue) {
            options.flags = std::strtoul(argv[++i], nullptr, 16);
        } else if (arg == "--out" && hasValue) {
            options.outPath = argv[++i];
        } else if (arg == "--repeat" && hasValue) {
            options.repeat = std::atoi(argv[++i]);
        } else if (arg.rfind("--", 0) == 0) {
            return false;
        } else {
            options.url = arg;
        }
    }
    return !options.url.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: fetch_probe.exe [--timeouts-on session,connect,request,read|none]"
                     " [--timeout MS] [--cancel-after MS] [--cancel-handle "
                     "request|connect|session] [--flags HEX] [--out FILE] [--repeat N] URL\n");
        return 2;
    }
    int exitCode = 0;
    for (int i = 0; i < options.repeat; ++i) {
        Probe probe(options);
        if (probe.Run() != 0) exitCode = 1;
    }
    return exitCode;
}
