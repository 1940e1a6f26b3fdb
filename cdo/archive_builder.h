// Builds one page's web archive in memory: fetches the page, then the resources that the
// archive plan finds, several at once, and writes the MIME text.
#pragma once

#include <memory>
#include <string>

#include "net/body_budget.h"

namespace cdo {

// Fetches running at once for one archive (the calling thread is one of them).
constexpr int kFetchThreads = 6;

struct ArchiveResult {
    bool pageFetched = false;  // false: no archive
    std::string archive;
    long fetches = 0;  // requests made, failed ones included
    long failures = 0;
    // The page's share of the body budget, charged for every body fetched: whoever holds the
    // archive text holds this too, until it is written.
    std::shared_ptr<net::BodyLease> lease;
};

// Fetching ends at the fetch deadline (net/fetch_limits.h), whatever the servers do: what has
// arrived by then is archived. Every pool thread it starts is joined before it returns; a
// request thread still blocked in WinInet is left behind (net/http_get.h).
ArchiveResult BuildArchive(const std::string& pageUrl);

// Totals over every archive built in this process, for the probe and the benchmark.
struct FetchTotals {
    long fetches = 0;
    long failures = 0;
};
FetchTotals ProcessFetchTotals();

}  // namespace cdo
