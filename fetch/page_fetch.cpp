// One page fetched with a single HTTP GET and made into its text (fetch/page_text.h), or an
// empty text when anything goes wrong, within the page's bound whatever the server does.
#include <chrono>
#include <string>

#include "fetch/fetch_thread.h"
#include "fetch/page_text.h"
#include "net/fetch_limits.h"
#include "net/http_get.h"

CString CFetchThread::FetchPage(const char* url) {
    const net::Clock::time_point deadline =
        net::Clock::now() + std::chrono::milliseconds(kFetchDeadlineMs);
    m_pPageLease = std::make_shared<net::BodyLease>();
    net::GetResult page;
    if (!net::HttpGet(m_pSession, url, kMaxBodyBytes, deadline, page, m_pPageLease))
        return CString();
    // The body and its text are held together only while the text is made.
    const size_t bodyShare = m_pPageLease->Held();
    const size_t textSize = PageTextSize(page.body);
    if (!m_pPageLease->Take(textSize, deadline)) return CString();
    std::string text = PageText(page.body);
    page.body = std::string();
    m_pPageLease->Give(bodyShare);
    return CString(std::move(text));
}
