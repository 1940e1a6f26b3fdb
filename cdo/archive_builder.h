// Builds one page's web archive in memory: fetches the page, then the resources that the
// archive plan finds, several at once, and writes the MIME text.
#pragma once

#include <string>

namespace cdo {

// Fetches running at once for one archive (the calling thread is one of them).
constexpr int kFetchThreads = 6;

struct ArchiveResult {
    bool pageFetched = false;  // false: no archive
    std::string archive;
    long fetches = 0;  // requests made, failed ones included
    long failures = 0;
};

// Ends within the page deadline (fetch/fetch_limits.h) plus one request time-out: what has
// arrived by the deadline is archived. Every thread it starts is joined before it returns.
ArchiveResult BuildArchive(const std::string& pageUrl);

// Totals over every archive built in this process, for the probe and the benchmark.
struct FetchTotals {
    long fetches = 0;
    long failures = 0;
};
FetchTotals ProcessFetchTotals();

}  // namespace cdo
