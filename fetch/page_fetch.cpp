// One page fetched with a single HTTP GET: the body with every line feed written as CR LF, or
// an empty text when anything goes wrong.
#include <string>

#include "fetch/fetch_limits.h"
#include "fetch/fetch_thread.h"
#include "fetch/line_ends.h"
#include "fetch/request_rules.h"

CString CFetchThread::FetchPage(const char* url) {
    DWORD service;
    CString server, object;
    INTERNET_PORT port;
    // Nothing but an http or https URL is ever requested.
    if (!AfxParseURL(url, service, server, object, port) ||
        (service != AFX_INET_SERVICE_HTTP && service != AFX_INET_SERVICE_HTTPS))
        return CString();

    std::string body;
    try {
        DWORD started = ::GetTickCount();
        m_pConnection.reset(m_pSession->GetHttpConnection(server, port, nullptr, nullptr));
        DWORD flags = kRequestFlags;
        if (service == AFX_INET_SERVICE_HTTPS) flags |= INTERNET_FLAG_SECURE;
        m_pFile.reset(m_pConnection->OpenRequest(CHttpConnection::HTTP_VERB_GET, object, nullptr, 0,
                                                 nullptr, nullptr, flags));
        m_pFile->AddRequestHeaders(kAcceptHeader, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
        m_pFile->AddRequestHeaders(kUserAgentHeader, HTTP_ADDREQ_FLAG_ADD_IF_NEW, -1);
        m_pFile->SendRequest(nullptr, 0, nullptr, 0);

        DWORD status = 0;
        if (!m_pFile->QueryInfoStatusCode(status) || status != 200) {
            CloseRequest();
            return CString();
        }
        ULONGLONG announced = 0;
        bool hasLength = m_pFile->QueryContentLength(announced);
        if (hasLength && announced > kMaxBodyBytes) {
            CloseRequest();
            return CString();
        }
        if (hasLength) body.reserve(static_cast<size_t>(announced));
        char buffer[65536];
        while (UINT read = m_pFile->Read(buffer, sizeof buffer)) {
            // A body too big for memory, or one that trickles in past the page's deadline,
            // fails the page rather than the process.
            if (body.size() + read > kMaxBodyBytes ||
                ::GetTickCount() - started > kPageDeadlineMs) {
                CloseRequest();
                return CString();
            }
            body.append(buffer, read);
        }
        // A connection closed before the announced length is a cut-off page, not a page.
        if (hasLength && announced != body.size()) {
            CloseRequest();
            return CString();
        }
    } catch (const CInternetException&) {
        CloseRequest();
        return CString();
    }
    CloseRequest();
    return CString(ToCrLf(body));
}

void CFetchThread::CloseRequest() {
    if (m_pFile) {
        m_pFile->Close();
        m_pFile.reset();
    }
    if (m_pConnection) {
        m_pConnection->Close();
        m_pConnection.reset();
    }
}
