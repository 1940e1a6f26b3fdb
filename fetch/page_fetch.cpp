// One page fetched with a single HTTP GET: the body with every line feed written as CR LF, or
// an empty text when anything goes wrong, within the page's bound whatever the server does.
#include <chrono>
#include <string>

#include "fetch/fetch_thread.h"
#include "fetch/line_ends.h"
#include "net/fetch_limits.h"
#include "net/http_get.h"

CString CFetchThread::FetchPage(const char* url) {
    const net::Clock::time_point deadline =
        net::Clock::now() + std::chrono::milliseconds(kFetchDeadlineMs);
    net::GetResult page;
    if (!net::HttpGet(m_pSession, url, kMaxBodyBytes, deadline, page)) return CString();
    return CString(ToCrLf(page.body));
}
