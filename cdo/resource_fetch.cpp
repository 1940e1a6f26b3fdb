#include "cdo/resource_fetch.h"

#include <vector>

#include "fetch/fetch_limits.h"
#include "fetch/request_rules.h"
#include "fetch/session_options.h"

namespace cdo {

std::unique_ptr<CInternetSession> OpenArchiveSession() {
    auto session = std::make_unique<CInternetSession>(nullptr, 1, INTERNET_OPEN_TYPE_PRECONFIG,
                                                      nullptr, nullptr, 0);
    SetSessionOptions(*session);
    return session;
}

CHttpConnection& CHostConnections::For(const CString& host, INTERNET_PORT port) {
    std::string key = host.str() + ':' + std::to_string(port);
    std::unique_ptr<CHttpConnection>& connection = m_connections[key];
    if (!connection) connection.reset(m_session.GetHttpConnection(host, port, nullptr, nullptr));
    return *connection;
}

bool FetchResource(CHostConnections& connections, const std::string& url, size_t maxBytes,
                   Clock::time_point deadline, FetchedResource& out) {
    DWORD service;
    CString host, object;
    INTERNET_PORT port;
    if (!AfxParseURL(url.c_str(), service, host, object, port) ||
        (service != AFX_INET_SERVICE_HTTP && service != AFX_INET_SERVICE_HTTPS))
        return false;
    try {
        DWORD flags = kRequestFlags;
        if (service == AFX_INET_SERVICE_HTTPS) flags |= INTERNET_FLAG_SECURE;
        std::unique_ptr<CHttpFile> request(connections.For(host, port)
                                               .OpenRequest(CHttpConnection::HTTP_VERB_GET, object,
                                                            nullptr, 0, nullptr, nullptr, flags));
        request->AddRequestHeaders(kAcceptHeader, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
        request->AddRequestHeaders(kUserAgentHeader, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
        request->SendRequest(nullptr, 0, nullptr, 0);

        DWORD status = 0;
        if (!request->QueryInfoStatusCode(status) || status != 200) return false;
        out.contentType = request->QueryInfo(HTTP_QUERY_CONTENT_TYPE).str();
        out.finalUrl = request->GetFinalUrl().str();

        std::string body;
        std::vector<char> buffer(64 * 1024);
        while (UINT read = request->Read(buffer.data(), static_cast<UINT>(buffer.size()))) {
            // Each read waits at most the session's time-out; the deadline cuts a trickle.
            if (body.size() + read > maxBytes || Clock::now() > deadline) return false;
            body.append(buffer.data(), read);
        }
        // A connection closed before the announced length gives a cut-off file, not the file.
        ULONGLONG announced;
        if (request->QueryContentLength(announced) && announced != body.size()) return false;
        out.body = std::move(body);
        return true;
    } catch (const CInternetException&) {
        return false;
    }
}

}  // namespace cdo
