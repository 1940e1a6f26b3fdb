#include "afx/inet.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "afx/codepage.h"
#include "afx/idna.h"
#include "url/url_parser.h"

namespace {

[[noreturn]] void ThrowLastError() {
    DWORD error = ::GetLastError();
    throw CInternetException(error ? error : ERROR_INTERNET_INTERNAL_ERROR);
}

// The session's status callback. Like a framework session whose status handler is not
// overridden, the program asks for status reports and has no use for them: WinInet needs a
// callback to call, and this one returns at once.
void CALLBACK IgnoreStatus(HINTERNET, DWORD_PTR, DWORD, LPVOID, DWORD) {}

// Wine's WinInet links each handle into its parent's list of children, and unlinks it when the
// handle goes, without a lock: request threads connecting and closing under one session at
// once corrupted the session's list, and closing the session then walked freed memory (a page
// fault in InternetCloseHandle). Every call that adds or removes a session's child takes this
// lock, and none of them waits on the network. A request's parent is a connection of its own
// (each request opens one), so requests are opened and closed without it: closing a request
// is where WinInet may read the rest of a body. Never destroyed: threads left behind close
// their handles when their server lets go, possibly after static destructors have run.
class HandleTreeLock {
public:
    HandleTreeLock() { ::EnterCriticalSection(Section()); }
    ~HandleTreeLock() { ::LeaveCriticalSection(Section()); }
    HandleTreeLock(const HandleTreeLock&) = delete;
    HandleTreeLock& operator=(const HandleTreeLock&) = delete;

private:
    static CRITICAL_SECTION* Section() {
        static CRITICAL_SECTION* const section = [] {
            auto* cs = new CRITICAL_SECTION;
            ::InitializeCriticalSection(cs);
            return cs;
        }();
        return section;
    }
};

}  // namespace

void CloseInternetHandle(HINTERNET handle) {
    HandleTreeLock lock;
    ::InternetCloseHandle(handle);
}

BOOL AfxParseURL(const char* url, DWORD& serviceType, CString& server, CString& object,
                 INTERNET_PORT& port) {
    serviceType = AFX_INET_SERVICE_UNK;
    server.Empty();
    object.Empty();
    port = 0;
    if (!url || !*url) return FALSE;

    // The text is in the ANSI code page; the parser reads Unicode, and encodes the path and
    // query in UTF-8 as browsers send them.
    url::Hooks hooks;
    hooks.toAscii = afx::IdnaToAscii;
    std::string utf8;
    url::Url parsed;
    if (!afx::AnsiToUtf8(url, utf8) || !url::Parse(utf8, nullptr, parsed, hooks)) return FALSE;

    serviceType = parsed.scheme == "https" ? AFX_INET_SERVICE_HTTPS : AFX_INET_SERVICE_HTTP;
    std::string host = parsed.host;
    // WinInet takes an IPv6 address without its brackets.
    if (host.size() > 2 && host.front() == '[') host = host.substr(1, host.size() - 2);
    server = host;
    object = parsed.RequestTarget();
    port = static_cast<INTERNET_PORT>(parsed.EffectivePort());
    return TRUE;
}

CInternetSession::CInternetSession(const char* agent, DWORD_PTR context, DWORD accessType,
                                   const char* proxy, const char* proxyBypass, DWORD flags)
    : m_dwContext(static_cast<DWORD>(context)), m_statusHandler(&IgnoreStatus) {
    afx::WatchAnswerSockets();
    {
        HandleTreeLock lock;
        m_session.reset(::InternetOpenA(agent, accessType, proxy, proxyBypass, flags));
    }
    if (!m_session.get()) ThrowLastError();
}

BOOL CInternetSession::SetOption(DWORD option, LPVOID value, DWORD length, DWORD) {
    if (length == sizeof(DWORD)) {
        DWORD number = *static_cast<DWORD*>(value);
        if (option == INTERNET_OPTION_RECEIVE_TIMEOUT ||
            option == INTERNET_OPTION_DATA_RECEIVE_TIMEOUT)
            m_dwReceiveTimeout = number;
        if (option == INTERNET_OPTION_SEND_TIMEOUT || option == INTERNET_OPTION_DATA_SEND_TIMEOUT)
            m_dwSendTimeout = number;
    }
    return ::InternetSetOptionA(m_session.get(), option, value, length);
}

void CInternetSession::EnableStatusCallback(BOOL enable) {
    INTERNET_STATUS_CALLBACK previous =
        ::InternetSetStatusCallbackA(m_session.get(), enable ? m_statusHandler : nullptr);
    if (previous == INTERNET_INVALID_STATUS_CALLBACK) ThrowLastError();
}

void CInternetSession::SetStatusHandler(INTERNET_STATUS_CALLBACK handler) {
    m_statusHandler = handler ? handler : &IgnoreStatus;
    EnableStatusCallback(TRUE);
}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const char* server,
                                                                     INTERNET_PORT port,
                                                                     const char* user,
                                                                     const char* password) {
    HINTERNET handle;
    {
        HandleTreeLock lock;
        handle = ::InternetConnectA(m_session.get(), server, port, user, password,
                                    INTERNET_SERVICE_HTTP, 0, m_dwContext);
    }
    if (!handle) ThrowLastError();
    auto connection = std::make_unique<CHttpConnection>(handle);
    if (m_dwReceiveTimeout)
        ::InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &m_dwReceiveTimeout,
                             sizeof m_dwReceiveTimeout);
    if (m_dwSendTimeout)
        ::InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &m_dwSendTimeout,
                             sizeof m_dwSendTimeout);
    return connection;
}

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(int verb, const char* object,
                                                        const char* referer, DWORD_PTR context,
                                                        const char** acceptTypes,
                                                        const char* version, DWORD flags) {
    if (verb != HTTP_VERB_GET) throw CInternetException(ERROR_INVALID_PARAMETER);
    HINTERNET request = ::HttpOpenRequestA(m_connection.get(), "GET", object, version, referer,
                                           acceptTypes, flags, context);
    if (!request) ThrowLastError();
    return std::make_unique<CHttpFile>(request);
}

CHttpFile::~CHttpFile() {
    if (!m_bodyDone) afx::AbortConnection(m_socket);
}

BOOL CHttpFile::AddRequestHeaders(const char* headers, DWORD flags, int length) {
    return ::HttpAddRequestHeadersA(m_request.get(), headers, static_cast<DWORD>(length), flags);
}

void CHttpFile::SendRequest(const char* headers, DWORD headersLength, void* optional,
                            DWORD optionalLength) {
    afx::ForgetAnswerSocket();
    const BOOL sent =
        ::HttpSendRequestA(m_request.get(), headers, headersLength, optional, optionalLength);
    m_socket = afx::AnswerSocket();
    if (!sent) {
        m_bodyDone = true;  // no answer: nothing to drain, and the socket may be gone
        ThrowLastError();
    }
}

BOOL CHttpFile::QueryInfoStatusCode(DWORD& status) const {
    DWORD size = sizeof status;
    return ::HttpQueryInfoA(m_request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                            &status, &size, nullptr);
}

CString CHttpFile::QueryInfo(DWORD level) const {
    std::string value(256, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD size = static_cast<DWORD>(value.size());
        if (::HttpQueryInfoA(m_request.get(), level, &value[0], &size, nullptr)) {
            value.resize(size);
            return CString(value);
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        value.assign(size + 1, '\0');
    }
    return CString();
}

bool CHttpFile::QueryContentLength(ULONGLONG& length) const {
    CString text = QueryInfo(HTTP_QUERY_CONTENT_LENGTH);
    if (text.IsEmpty()) return false;
    char* end = nullptr;
    length = std::strtoull(text, &end, 10);
    return end && *end == '\0';
}

CString CHttpFile::GetFinalUrl() const {
    std::string url(INTERNET_MAX_URL_LENGTH + 1, '\0');
    DWORD size = static_cast<DWORD>(url.size());
    if (!::InternetQueryOptionA(m_request.get(), INTERNET_OPTION_URL, &url[0], &size))
        return CString();
    return CString(url.c_str());
}

DWORD CHttpFile::QueryDataAvailable() {
    DWORD available = 0;
    if (!::InternetQueryDataAvailable(m_request.get(), &available, 0, 0)) {
        m_bodyDone = true;
        ThrowLastError();
    }
    if (available == 0) m_bodyDone = true;
    return available;
}

UINT CHttpFile::Read(void* buffer, UINT count) {
    DWORD read = 0;
    if (!::InternetReadFile(m_request.get(), buffer, count, &read)) {
        m_bodyDone = true;
        ThrowLastError();
    }
    if (read == 0 && count != 0) m_bodyDone = true;
    return read;
}
