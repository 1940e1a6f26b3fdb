#include "net/http_get.h"

#include <algorithm>
#include <atomic>

#include "afx/handles.h"
#include "net/content_decoding.h"
#include "net/fetch_limits.h"
#include "net/redirect.h"
#include "net/request_progress.h"
#include "net/request_threads.h"
#include "net/request_rules.h"
#include "net/unreachable_hosts.h"

namespace net {
namespace {

using std::chrono::milliseconds;

// Everything a request thread touches. Shared by the thread and its caller, so that either
// may be the last to let go of it.
struct Exchange {
    std::shared_ptr<CInternetSession> session;
    std::string url;
    size_t maxBytes = 0;
    Clock::time_point deadline;
    UnreachableServers servers = UnreachableServers::kTry;
    std::shared_ptr<BodyLease> lease;  // kept alive by a request thread left behind
    afx::UniqueKernelHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    RequestProgress progress;
    // Set by the caller when it leaves: the thread stops at its next look.
    std::atomic<bool> left{false};
    // Written by the thread before `done` is set; read by the caller only after it.
    bool ok = false;
    GetResult result;

    size_t charged = 0;  // the body's share of the lease, until the caller takes the body

    bool OverTime() const { return left.load() || Clock::now() >= deadline; }

    // A body nobody came for (its caller left) gives its share back.
    ~Exchange() {
        if (lease) lease->Give(charged);
    }
};

// One response's head: the request stays open for its body.
struct Response {
    std::unique_ptr<CHttpConnection> connection;
    std::unique_ptr<CHttpFile> request;
    unsigned status = 0;
};

// Sends one GET for `url` and waits for the head of the answer. Throws CInternetException.
bool Send(Exchange& x, const std::string& url, Response& response) {
    DWORD service;
    CString host, object;
    INTERNET_PORT port;
    // Nothing but an http or https URL is ever requested.
    if (!AfxParseURL(url.c_str(), service, host, object, port) ||
        (service != AFX_INET_SERVICE_HTTP && service != AFX_INET_SERVICE_HTTPS))
        return false;
    const std::string server = ServerKey(host.str(), port);
    if (x.servers == UnreachableServers::kSkip &&
        TheUnreachableHosts().IsUnreachable(server, Clock::now()))
        return false;
    x.progress.BeginHop(server);
    DWORD flags = kRequestFlags;
    if (service == AFX_INET_SERVICE_HTTPS) flags |= INTERNET_FLAG_SECURE;
    response.request.reset();  // the previous hop's, before its connection goes
    response.connection = x.session->GetHttpConnection(host, port, nullptr, nullptr);
    response.request =
        response.connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, object, nullptr,
                                         x.progress.Context(), nullptr, nullptr, flags);
    response.request->AddRequestHeaders(kAcceptHeader, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
    response.request->AddRequestHeaders(kUserAgentHeader, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
    response.request->SendRequest(nullptr, 0, nullptr, 0);
    x.progress.Step(RequestStage::kExchanging);
    // It answered, however slowly: it is reachable.
    TheUnreachableHosts().Forget(server);
    DWORD status = 0;
    if (!response.request->QueryInfoStatusCode(status)) return false;
    response.status = status;
    return true;
}

// Reads the body in pieces no larger than what has arrived, so that each read returns at once
// and the deadline is looked at whenever the server sends anything.
// Room for `size` bytes of the body, charged to the page's lease. Waiting for memory that other
// pages give back is no stall: each second of it counts as a step of the exchange.
bool MakeRoom(Exchange& x, BodyRoom& room, std::string& body, size_t size) {
    for (;;) {
        const Clock::time_point step = Clock::now() + std::chrono::milliseconds(1000);
        if (room.Reserve(body, size, x.maxBytes, std::min(step, x.deadline))) return true;
        if (x.OverTime()) return false;
        x.progress.Step();
    }
}

bool ReadBody(CHttpFile& request, Exchange& x, BodyRoom& room, std::string& body) {
    ULONGLONG announced = 0;
    bool hasLength = request.QueryContentLength(announced);
    if (hasLength && announced > x.maxBytes) return false;
    if (hasLength && !MakeRoom(x, room, body, static_cast<size_t>(announced))) return false;
    constexpr DWORD kPiece = 64 * 1024;
    for (;;) {
        DWORD available = request.QueryDataAvailable();
        if (x.OverTime()) return false;
        x.progress.Step();
        if (available == 0) break;
        DWORD want = std::min(available, kPiece);
        if (body.size() + want > x.maxBytes) return false;
        if (!MakeRoom(x, room, body, body.size() + want)) return false;
        size_t old = body.size();
        body.resize(old + want);
        UINT read = request.Read(&body[old], want);
        body.resize(old + read);
        if (read == 0) break;
    }
    // A connection closed before the announced length is a cut-off body, not the body.
    return !hasLength || announced == body.size();
}

bool RunGet(Exchange& x, BodyRoom& room) {
    std::string url = x.url;
    Response response;
    for (int redirects = 0;; ++redirects) {
        if (!Send(x, url, response)) return false;
        if (x.OverTime()) return false;
        if (!IsRedirectStatus(response.status)) break;
        std::string location = response.request->QueryInfo(HTTP_QUERY_LOCATION).str();
        if (location.empty()) break;  // a redirect to nowhere is its own final answer
        if (redirects == kMaxRedirects) return false;
        url = RedirectTarget(url, location);
        if (url.empty()) return false;
    }
    if (response.status != 200) return false;
    x.result.finalUrl = response.request->GetFinalUrl().str();
    if (x.result.finalUrl.empty()) x.result.finalUrl = url;
    x.result.contentType = response.request->QueryInfo(HTTP_QUERY_CONTENT_TYPE).str();
    if (!ReadBody(*response.request, x, room, x.result.body)) return false;
    // Decoded here, so that nothing else ever sees compressed bytes; the cap holds for what
    // the body inflates to.
    return DecodeContent(response.request->QueryInfo(HTTP_QUERY_CONTENT_ENCODING).str(),
                         x.result.body, x.maxBytes);
}

// On the request thread.
void RunExchange(Exchange& x) {
    BodyRoom room(*x.lease);
    try {
        x.progress.Step(RequestStage::kConnecting);  // the waits count from the thread's start
        x.ok = RunGet(x, room);
    } catch (...) {
        // CInternetException, or no memory for the body: the GET failed, nothing more.
        x.ok = false;
    }
    if (x.ok) {
        x.charged = room.Charged();
    } else {
        x.result.body = std::string();  // give the memory back at once
        room.GiveBack();
    }
    ::SetEvent(x.done.get());
}

enum class Attempt { kOk, kFailed, kConnectNotEstablished };

// Waits for the request thread until it is done, its deadline passes or it has made no step for
// the session's time-out; then leaves it.
Attempt Await(Exchange& x) {
    const milliseconds stallLimit(kTimeoutMs);
    for (;;) {
        const Clock::time_point stalledAt = x.progress.LastStep() + stallLimit;
        if (::WaitForSingleObject(x.done.get(), MsUntil(std::min(x.deadline, stalledAt))) ==
            WAIT_OBJECT_0) {
            if (x.ok) return Attempt::kOk;
            // Where the platform enforces the connect time-out itself, its failure comes first.
            const bool connectTimedOut =
                x.progress.Stage() == RequestStage::kConnecting &&
                Clock::now() - x.progress.LastStep() >= stallLimit * 9 / 10;
            return connectTimedOut ? Attempt::kConnectNotEstablished : Attempt::kFailed;
        }
        const Clock::time_point now = Clock::now();
        if (now >= x.deadline) break;
        // The thread may have stepped meanwhile: only a step as old as the limit ends it.
        if (now >= x.progress.LastStep() + stallLimit) {
            x.left = true;
            return x.progress.Stage() == RequestStage::kConnecting ? Attempt::kConnectNotEstablished
                                                                   : Attempt::kFailed;
        }
    }
    x.left = true;
    return Attempt::kFailed;
}

// One request on a request thread; `server` receives the host:port it last turned to.
Attempt RunAttempt(const std::shared_ptr<CInternetSession>& session, const std::string& url,
                   size_t maxBytes, Clock::time_point deadline,
                   const std::shared_ptr<BodyLease>& lease, UnreachableServers servers,
                   GetResult& out, std::string& server) {
    auto exchange = std::make_shared<Exchange>();
    if (!exchange->done) return Attempt::kFailed;
    exchange->session = session;
    exchange->url = url;
    exchange->maxBytes = maxBytes;
    exchange->deadline = deadline;
    exchange->servers = servers;
    exchange->lease = lease;
    if (!RunOnRequestThread([exchange] { RunExchange(*exchange); }, deadline))
        return Attempt::kFailed;
    const Attempt attempt = Await(*exchange);
    server = exchange->progress.Server();
    if (attempt == Attempt::kOk) {
        out = std::move(exchange->result);
        exchange->charged = 0;  // the caller's now, with the body
    }
    return attempt;
}

}  // namespace

bool HttpGet(const std::shared_ptr<CInternetSession>& session, const std::string& url,
             size_t maxBytes, Clock::time_point deadline, GetResult& out,
             const std::shared_ptr<BodyLease>& lease, UnreachableServers servers) {
    out = GetResult();
    if (!session || !lease || Clock::now() >= deadline) return false;
    try {
        std::string server;
        Attempt attempt = RunAttempt(session, url, maxBytes, deadline, lease, servers, out, server);
        if (attempt != Attempt::kConnectNotEstablished) return attempt == Attempt::kOk;
        // The first attempt's thread is left connecting; the second starts a connection of
        // its own after the back-off.
        ::Sleep(std::min<DWORD>(kConnectBackoffMs, MsUntil(deadline)));
        if (Clock::now() >= deadline) return false;
        attempt = RunAttempt(session, url, maxBytes, deadline, lease, servers, out, server);
        if (attempt == Attempt::kConnectNotEstablished)
            TheUnreachableHosts().Remember(server, Clock::now());
        return attempt == Attempt::kOk;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace net
