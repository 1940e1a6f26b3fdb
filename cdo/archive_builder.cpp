#include "cdo/archive_builder.h"

#include <windows.h>
#include <process.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <vector>

#include "afx/codepage.h"
#include "afx/handles.h"
#include "cdo/windows_codec.h"
#include "mht/archive_plan.h"
#include "mht/mail_date.h"
#include "net/fetch_limits.h"
#include "net/http_get.h"
#include "net/request_threads.h"
#include "net/session.h"

namespace cdo {
namespace {

using net::Clock;

std::atomic<long> g_totalFetches{0};
std::atomic<long> g_totalFailures{0};

// Threads that take the plan's next fetch whenever they are free. The plan is touched only
// under the lock; requests run outside it.
class CFetchPool {
public:
    CFetchPool(mht::ArchivePlan& plan, std::shared_ptr<CInternetSession> session,
               std::shared_ptr<net::BodyLease> lease, Clock::time_point deadline)
        : m_plan(plan),
          m_session(std::move(session)),
          m_lease(std::move(lease)),
          m_deadline(deadline) {}

    // Returns when the plan is done or the deadline has passed, every helper thread joined.
    void Run(int threads) {
        std::vector<afx::UniqueKernelHandle> helpers;
        helpers.reserve(threads > 1 ? static_cast<size_t>(threads - 1) : 0);
        // Helpers reserve as little stack as request threads: 20 workers run up to 100 of them
        // in a 32-bit address space.
        for (int i = 1; i < threads; ++i) {
            uintptr_t helper = _beginthreadex(nullptr, net::kRequestStackBytes, &HelperMain, this,
                                              STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
            if (helper == 0) break;  // fewer threads only make the archive slower
            helpers.emplace_back(reinterpret_cast<HANDLE>(helper));
        }
        Work();
        for (afx::UniqueKernelHandle& helper : helpers)
            ::WaitForSingleObject(helper.get(), INFINITE);
        if (m_error) std::rethrow_exception(m_error);
    }

    long fetches() const { return m_fetches; }
    long failures() const { return m_failures; }

private:
    static unsigned __stdcall HelperMain(void* pool) {
        static_cast<CFetchPool*>(pool)->Work();
        return 0;
    }

    void Work() {
        std::unique_lock<std::mutex> lock(m_lock);
        try {
            while (!m_error && Clock::now() < m_deadline) {
                mht::FetchRequest request;
                if (m_plan.NextFetch(request)) {
                    size_t cap =
                        request.kind == mht::FetchKind::kPage ? kMaxBodyBytes : m_plan.ByteBudget();
                    lock.unlock();
                    net::GetResult fetched;
                    // Returns by the deadline whatever the server does. A resource is not asked
                    // of a server found unreachable a while ago; the page always is.
                    const net::UnreachableServers servers = request.kind == mht::FetchKind::kPage
                                                                ? net::UnreachableServers::kTry
                                                                : net::UnreachableServers::kSkip;
                    bool ok = net::HttpGet(m_session, request.url, cap, m_deadline, fetched,
                                           m_lease, servers);
                    lock.lock();
                    Report(request.id, ok, fetched);
                    m_changed.notify_all();
                } else if (m_plan.Done()) {
                    break;
                } else {
                    m_changed.wait_until(lock, m_deadline);  // documents in flight may add work
                }
            }
        } catch (...) {
            // Out of memory, most likely: the plan can no longer be trusted, so every thread
            // stops, and Run hands the error to its caller (a thread must not end by one).
            if (!lock.owns_lock()) lock.lock();
            if (!m_error) m_error = std::current_exception();
        }
        m_changed.notify_all();
    }

    void Report(int id, bool ok, net::GetResult& fetched) {
        ++m_fetches;
        if (ok) {
            m_plan.OnFetched(id, fetched.finalUrl, std::move(fetched.contentType),
                             std::move(fetched.body));
        } else {
            ++m_failures;
            m_plan.OnFailed(id);
        }
    }

    mht::ArchivePlan& m_plan;
    const std::shared_ptr<CInternetSession> m_session;
    const std::shared_ptr<net::BodyLease> m_lease;
    const Clock::time_point m_deadline;
    std::mutex m_lock;
    std::condition_variable m_changed;
    long m_fetches = 0;
    long m_failures = 0;
    std::exception_ptr m_error;
};

std::string MailDateNow() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    return mht::FormatMailDate(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                               now.wSecond);
}

}  // namespace

ArchiveResult BuildArchive(const std::string& pageUrl) {
    ArchiveResult result;
    // Fetching stops short of the page's bound, which leaves time to write the archive.
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kFetchDeadlineMs);
    // The table holds the URL in the ANSI code page; the plan reads URLs as UTF-8.
    std::string pageUrlUtf8;
    if (!afx::AnsiToUtf8(pageUrl, pageUrlUtf8)) return result;
    const CWindowsCodec codec;
    mht::ArchivePlan plan(pageUrlUtf8, mht::PlanLimits(), &codec);
    {
        std::shared_ptr<CInternetSession> session;
        try {
            session = net::OpenSession();
        } catch (const CInternetException&) {
            return result;
        }
        // Ready while the page is fetched, for the burst of resources that follows it.
        net::WarmRequestThreads(kFetchThreads);
        // Request threads left behind at the deadline keep the session until they end.
        result.lease = std::make_shared<net::BodyLease>();
        CFetchPool pool(plan, std::move(session), result.lease, deadline);
        pool.Run(kFetchThreads);  // throws what stopped the pool
        result.fetches = pool.fetches();
        result.failures = pool.failures();
        g_totalFetches += result.fetches;
        g_totalFailures += result.failures;
    }
    if (!plan.PageFetched()) return result;
    result.archive = mht::ArchiveText(plan.Header(MailDateNow()), plan.TakeParts());
    result.pageFetched = true;
    return result;
}

FetchTotals ProcessFetchTotals() {
    return FetchTotals{g_totalFetches.load(), g_totalFailures.load()};
}

}  // namespace cdo
