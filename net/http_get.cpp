#include "net/http_get.h"

#include <algorithm>

#include "afx/handles.h"
#include "net/fetch_limits.h"
#include "net/redirect.h"
#include "net/request_threads.h"
#include "net/request_rules.h"

namespace net {
namespace {

// Everything a request thread touches. Shared by the thread and its caller, so that either
// may be the last to let go of it.
struct Exchange {
    std::shared_ptr<CInternetSession> session;
    std::string url;
    size_t maxBytes = 0;
    Clock::time_point deadline;
    std::shared_ptr<BodyLease> lease;  // kept alive by a request thread left behind
    afx::UniqueKernelHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    // Written by the thread before `done` is set; read by the caller only after it.
    bool ok = false;
    GetResult result;
    size_t charged = 0;  // the body's share of the lease, until the caller takes the body

    // A body nobody came for (its caller left at the deadline) gives its share back.
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
bool Send(CInternetSession& session, const std::string& url, Response& response) {
    DWORD service;
    CString host, object;
    INTERNET_PORT port;
    // Nothing but an http or https URL is ever requested.
    if (!AfxParseURL(url.c_str(), service, host, object, port) ||
        (service != AFX_INET_SERVICE_HTTP && service != AFX_INET_SERVICE_HTTPS))
        return false;
    DWORD flags = kRequestFlags;
    if (service == AFX_INET_SERVICE_HTTPS) flags |= INTERNET_FLAG_SECURE;
    response.request.reset();  // the previous hop's, before its connection goes
    response.connection = session.GetHttpConnection(host, port, nullptr, nullptr);
    response.request = response.connection->OpenRequest(CHttpConnection::HTTP_VERB_GET, object,
                                                        nullptr, 1, nullptr, nullptr, flags);
    response.request->AddRequestHeaders(kAcceptHeader, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
    response.request->AddRequestHeaders(kUserAgentHeader, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
    response.request->SendRequest(nullptr, 0, nullptr, 0);
    DWORD status = 0;
    if (!response.request->QueryInfoStatusCode(status)) return false;
    response.status = status;
    return true;
}

// Reads the body in pieces no larger than what has arrived, so that each read returns at once
// and the deadline is looked at whenever the server sends anything.
bool ReadBody(CHttpFile& request, size_t maxBytes, Clock::time_point deadline, BodyRoom& room,
              std::string& body) {
    ULONGLONG announced = 0;
    bool hasLength = request.QueryContentLength(announced);
    if (hasLength && announced > maxBytes) return false;
    if (hasLength && !room.Reserve(body, static_cast<size_t>(announced), maxBytes)) return false;
    constexpr DWORD kPiece = 64 * 1024;
    for (;;) {
        DWORD available = request.QueryDataAvailable();
        if (Clock::now() >= deadline) return false;
        if (available == 0) break;
        DWORD want = std::min(available, kPiece);
        if (body.size() + want > maxBytes) return false;
        if (!room.Reserve(body, body.size() + want, maxBytes)) return false;
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
        if (!Send(*x.session, url, response)) return false;
        if (Clock::now() >= x.deadline) return false;
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
    return ReadBody(*response.request, x.maxBytes, x.deadline, room, x.result.body);
}

// On the request thread.
void RunExchange(Exchange& x) {
    BodyRoom room(*x.lease, x.deadline);
    try {
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

}  // namespace

bool HttpGet(const std::shared_ptr<CInternetSession>& session, const std::string& url,
             size_t maxBytes, Clock::time_point deadline, GetResult& out,
             const std::shared_ptr<BodyLease>& lease) {
    out = GetResult();
    if (!session || !lease || Clock::now() >= deadline) return false;
    try {
        auto exchange = std::make_shared<Exchange>();
        if (!exchange->done) return false;
        exchange->session = session;
        exchange->url = url;
        exchange->maxBytes = maxBytes;
        exchange->deadline = deadline;
        exchange->lease = lease;

        if (!RunOnRequestThread([exchange] { RunExchange(*exchange); }, deadline)) return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        DWORD waitMs = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
        if (::WaitForSingleObject(exchange->done.get(), waitMs) != WAIT_OBJECT_0) return false;
        if (!exchange->ok) return false;
        out = std::move(exchange->result);
        exchange->charged = 0;  // the caller's now, with the body
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace net
