// A whole archive from fuzzed server answers: the plan asks for URLs, each is answered with a
// fuzzed type and body, a redirect or a failure, and the archive text is parsed back. Every
// part must come back intact, under the URL it was stored as, and the heap the plan and the
// writer hold at once must stay within a small multiple of the bytes served: a page is at times
// repeated to half a megabyte so that a multiplying input shows as a blow-up.

#include <fuzzer/FuzzedDataProvider.h>
#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "mht/archive_plan.h"
#include "mht/archive_writer.h"
#include "mht_test_decoders.h"

namespace {

const char kPageUrl[] = "http://127.0.0.1:8000/dir/page.html";
constexpr size_t kAmplifiedPage = 512 * 1024;

// Live heap bytes, and their peak, while a measurement is on.
std::atomic<long long> g_live{0};
std::atomic<long long> g_peak{0};
std::atomic<bool> g_measuring{false};

void OnMalloc(const volatile void*, size_t size) {
    if (!g_measuring.load(std::memory_order_relaxed)) return;
    long long live = g_live.fetch_add(static_cast<long long>(size)) + static_cast<long long>(size);
    long long peak = g_peak.load(std::memory_order_relaxed);
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
}

void OnFree(const volatile void* p) {
    if (!g_measuring.load(std::memory_order_relaxed) || p == nullptr) return;
    g_live.fetch_sub(static_cast<long long>(__sanitizer_get_allocated_size(const_cast<void*>(p))));
}

std::string ContentType(FuzzedDataProvider& in) {
    static const char* const kTypes[] = {"text/html",
                                         "text/css",
                                         "image/png",
                                         "text/html; charset=gbk",
                                         "text/css; charset=utf-8",
                                         "application/octet-stream",
                                         ""};
    size_t pick = in.ConsumeIntegralInRange<size_t>(0, std::size(kTypes));
    return pick < std::size(kTypes) ? kTypes[pick] : in.ConsumeRandomLengthString(40);
}

std::string PageBody(FuzzedDataProvider& in) {
    // One input in 32 (0 comes when the input has run out).
    bool amplify = in.ConsumeIntegralInRange(0, 31) == 31;
    std::string body = in.ConsumeRandomLengthString(1 << 16);
    if (amplify && !body.empty()) {
        std::string unit = body;
        while (body.size() < kAmplifiedPage) body += unit;
    }
    return body;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    size_t served = 0;
    std::string text;
    std::vector<mht::ArchivePart> stored;
    std::string title;
    {
        g_live = 0;
        g_peak = 0;
        g_measuring = true;
        mht::ArchivePlan plan(kPageUrl);
        int answered = 0;
        while (!plan.Done()) {
            std::vector<mht::FetchRequest> batch;
            mht::FetchRequest request;
            size_t atOnce = in.ConsumeIntegralInRange<size_t>(1, 6);
            while (batch.size() < atOnce && plan.NextFetch(request)) batch.push_back(request);
            for (const mht::FetchRequest& r : batch) {
                ++answered;
                if (in.remaining_bytes() == 0 || in.ConsumeIntegralInRange(0, 9) == 0) {
                    plan.OnFailed(r.id);
                    continue;
                }
                std::string finalUrl =
                    in.ConsumeIntegralInRange(0, 15) == 0 ? in.ConsumeRandomLengthString(64) : "";
                std::string type = ContentType(in);
                std::string body = r.id == 0 ? PageBody(in) : in.ConsumeRandomLengthString(1 << 14);
                served += body.size() + type.size() + finalUrl.size();
                plan.OnFetched(r.id, finalUrl, std::move(type), std::move(body));
            }
        }
        FUZZ_CHECK(answered <= 1 + static_cast<int>(mht::kMaxResources));
        if (plan.PageFetched()) {
            mht::ArchiveHeader header = plan.Header("Tue, 08 Dec 2026 08:00:00 GMT");
            title = header.title;
            stored = plan.TakeParts();
            text = mht::ArchiveText(header, stored);
        }
        g_measuring = false;
    }
    // The page is held, then encoded (at most three times its size as quoted-printable), with
    // the resources beside it: a few times what was served, never tens of times.
    long long bound = 8 * static_cast<long long>(served) + (4ll << 20);
    if (std::getenv("FUZZ_ARCHIVE_PEAK"))  // to see the figures of one input
        std::fprintf(stderr, "served %zu, peak heap %lld\n", served, g_peak.load());
    FUZZ_CHECK(g_peak.load() <= bound);
    if (text.empty()) return 0;

    for (size_t i = 0; i < text.size(); ++i) {
        FUZZ_CHECK(static_cast<unsigned char>(text[i]) < 0x80);
        if (text[i] == '\n') FUZZ_CHECK(i > 0 && text[i - 1] == '\r');
    }
    mht_test::ParsedArchive archive = mht_test::ParseArchive(text);
    FUZZ_CHECK(archive.closed);
    FUZZ_CHECK(archive.parts.size() == stored.size());
    FUZZ_CHECK(!stored.empty() && stored[0].url == kPageUrl);
    std::set<std::string> locations;
    for (size_t i = 0; i < stored.size(); ++i) {
        const mht_test::MimeEntity& part = archive.parts[i];
        auto location = part.headers.find("content-location");
        FUZZ_CHECK(location != part.headers.end());
        FUZZ_CHECK_MSG(location->second == stored[i].url, location->second);
        FUZZ_CHECK_MSG(locations.insert(stored[i].url).second, stored[i].url);
        FUZZ_CHECK(part.Decoded() == stored[i].body);
    }
    return 0;
}
