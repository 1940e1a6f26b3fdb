// The internet classes over WinInet: a session, an HTTP connection and an HTTP request, each
// the owner of its handle. Failures are thrown as CInternetException.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <memory>

#include "afx/answer_socket.h"
#include "afx/cstring.h"
#include "afx/handles.h"

class CInternetException {
public:
    explicit CInternetException(DWORD error) : m_dwError(error) {}
    DWORD m_dwError;
};

// Service types reported by AfxParseURL.
enum : DWORD {
    AFX_INET_SERVICE_UNK = 0,
    AFX_INET_SERVICE_HTTP = 3,
    AFX_INET_SERVICE_HTTPS = 4,
};

// Splits an absolute http or https URL (text in the ANSI code page) into service type, host,
// object and port as a browser sends them: the host in its IDNA ASCII form, the object (path
// and query, never the fragment) with everything outside ASCII, spaces and the other bytes a
// browser escapes percent-encoded in UTF-8, existing %XX escapes kept. False when a browser
// would refuse the URL, a host holding a space, control byte or NUL among others: nothing may
// be fetched then.
BOOL AfxParseURL(const char* url, DWORD& serviceType, CString& server, CString& object,
                 INTERNET_PORT& port);

// Closes a WinInet session or connection handle under the lock that handle creation takes
// (see inet.cpp).
void CloseInternetHandle(HINTERNET handle);

// WinInet handles: null means none.
struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { CloseInternetHandle(h); }
};
using UniqueInternetHandle = afx::UniqueHandle<InternetHandleTraits>;

// A request. Closing one whose body was not read to its end closes its connection rather than
// reading the rest (see answer_socket.h), so that no close waits on the network.
class CHttpFile {
public:
    explicit CHttpFile(HINTERNET request) : m_request(request) {}
    ~CHttpFile();
    CHttpFile(const CHttpFile&) = delete;
    CHttpFile& operator=(const CHttpFile&) = delete;

    BOOL AddRequestHeaders(const char* headers, DWORD flags = HTTP_ADDREQ_FLAG_ADD_IF_NEW,
                           int length = -1);
    // Sends the request and waits for the response headers; throws on failure.
    void SendRequest(const char* headers = nullptr, DWORD headersLength = 0,
                     void* optional = nullptr, DWORD optionalLength = 0);
    BOOL QueryInfoStatusCode(DWORD& status) const;
    // A response header as text (HTTP_QUERY_*); empty when absent.
    CString QueryInfo(DWORD level) const;
    // The Content-Length of the response; false when it has none.
    bool QueryContentLength(ULONGLONG& length) const;
    // The URL of the final response, after redirections.
    CString GetFinalUrl() const;
    // Waits until some of the body has arrived (or all of it): how many bytes a Read now takes
    // without waiting, 0 at the end of the body. Throws on failure.
    DWORD QueryDataAvailable();
    // Up to `count` bytes of the body; 0 at its end. Throws on failure.
    UINT Read(void* buffer, UINT count);

private:
    // A request handle is closed without the lock: it is the only child of its own connection.
    struct RequestHandleTraits {
        using Handle = HINTERNET;
        static Handle Empty() { return nullptr; }
        static void Close(Handle h) { ::InternetCloseHandle(h); }
    };
    afx::UniqueHandle<RequestHandleTraits> m_request;
    // The socket the answer arrived on, and whether its body has been read to its end or a
    // read failed (WinInet may then have closed the socket, whose number another connection
    // can take): in either case the close has nothing to drain and nothing is shut down.
    afx::SocketNumber m_socket = afx::kNoSocket;
    bool m_bodyDone = false;
};

class CHttpConnection {
public:
    explicit CHttpConnection(HINTERNET connection) : m_connection(connection) {}
    CHttpConnection(const CHttpConnection&) = delete;
    CHttpConnection& operator=(const CHttpConnection&) = delete;

    // A request for `object` (GET only: the program sends no other). Throws on failure.
    std::unique_ptr<CHttpFile> OpenRequest(int verb, const char* object,
                                           const char* referer = nullptr, DWORD_PTR context = 1,
                                           const char** acceptTypes = nullptr,
                                           const char* version = nullptr, DWORD flags = 0);
    static constexpr int HTTP_VERB_GET = 1;

private:
    UniqueInternetHandle m_connection;
};

class CInternetSession {
public:
    // Opens the session; throws when WinInet cannot open one.
    CInternetSession(const char* agent = nullptr, DWORD_PTR context = 1,
                     DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG, const char* proxy = nullptr,
                     const char* proxyBypass = nullptr, DWORD flags = 0);
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    BOOL SetOption(DWORD option, LPVOID value, DWORD length, DWORD flags = 0);
    // Status notifications reach the session's handler (by default one that does nothing), or
    // with FALSE no handler. Throws when WinInet refuses.
    void EnableStatusCallback(BOOL enable = TRUE);
    // The handler that status notifications of this session and its requests reach from now on,
    // and whenever they are enabled again. Throws when WinInet refuses.
    void SetStatusHandler(INTERNET_STATUS_CALLBACK handler);
    // A connection to host:port. Throws on failure.
    std::unique_ptr<CHttpConnection> GetHttpConnection(const char* server, INTERNET_PORT port,
                                                       const char* user = nullptr,
                                                       const char* password = nullptr);

private:
    UniqueInternetHandle m_session;
    DWORD m_dwContext;
    // Wait limits set on the session, applied again to each connection, where some WinInet
    // implementations take them from.
    DWORD m_dwReceiveTimeout = 0;
    DWORD m_dwSendTimeout = 0;
    INTERNET_STATUS_CALLBACK m_statusHandler;
};
