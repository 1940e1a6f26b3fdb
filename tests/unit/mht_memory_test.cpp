// Memory taken by one archive built from hostile pages: pages made to multiply references,
// measured by counting every allocation of this test program.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "mht/archive_plan.h"
#include "mht/archive_writer.h"
#include "mht/html_refs.h"

namespace {

size_t g_current = 0;  // the tests allocate from one thread only
size_t g_peak = 0;
constexpr size_t kHeader = 16;  // keeps the block's alignment

}  // namespace

// Not inlined: the compiler would otherwise pair the malloc and free it sees with new and delete.
__attribute__((noinline)) void* operator new(size_t size) {
    void* block = std::malloc(size + kHeader);
    if (!block) throw std::bad_alloc();
    *static_cast<size_t*>(block) = size;
    g_current += size;
    if (g_current > g_peak) g_peak = g_current;
    return static_cast<char*>(block) + kHeader;
}
__attribute__((noinline)) void operator delete(void* p) noexcept {
    if (!p) return;
    char* block = static_cast<char*>(p) - kHeader;
    g_current -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}
void* operator new[](size_t size) {
    return operator new(size);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, size_t) noexcept {
    operator delete(p);
}

namespace {

constexpr size_t kMB = 1024 * 1024;
constexpr size_t kPageBytes = 16 * kMB;  // the largest page body a fetch accepts

struct ArchiveCost {
    size_t peakBytes = 0;  // above the page's own body
    size_t parts = 0;
    size_t archiveBytes = 0;
};

// Builds one archive from `page` as the fetcher would, every resource answering with an image
// of `resourceBytes`.
ArchiveCost BuildArchive(std::string page, const char* contentType, size_t resourceBytes) {
    const size_t baseline = g_current;
    g_peak = g_current;
    ArchiveCost cost;
    {
        mht::ArchivePlan plan("http://127.0.0.1:8000/dir/page.html");
        mht::FetchRequest request;
        while (!plan.Done()) {
            std::vector<mht::FetchRequest> batch;
            while (plan.NextFetch(request)) batch.push_back(request);
            for (const mht::FetchRequest& r : batch) {
                if (r.id == 0)
                    plan.OnFetched(r.id, "", contentType, std::move(page));
                else
                    plan.OnFetched(r.id, "", "image/png", std::string(resourceBytes, 'i'));
            }
        }
        std::vector<mht::ArchivePart> parts = plan.TakeParts();
        cost.parts = parts.size();
        // As the program does: the whole archive in memory until it is saved.
        std::string archive =
            mht::ArchiveText(plan.Header("Tue, 08 Dec 2026 08:00:00 +0000"), std::move(parts));
        cost.archiveBytes = archive.size();
    }
    cost.peakBytes = g_peak - baseline;
    return cost;
}

// A short name for the n-th resource: distinct names, so that none is a repeat.
std::string Name(size_t n) {
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name;
    do {
        name += digits[n % 36];
        n /= 36;
    } while (n);
    return name;
}

// `open` + items from `item(n)` until the page is full + `close`.
template <class Item>
std::string Page(const std::string& open, Item item, const std::string& close) {
    std::string page = open;
    page.reserve(kPageBytes);
    for (size_t n = 0; page.size() + close.size() < kPageBytes - 64; ++n) page += item(n);
    page += close;
    return page;
}

// At its peak one archive holds: the page (up to 16 MB) and the resources (up to 12 MB) as
// fetched, and the archive text, reserved whole before they are encoded into it and released
// (up to about 3.1 times the page when every byte is escaped, 1.35 times the resources, and the
// headers). References add little once they are bounded per document.
constexpr size_t kArchivePeakBound = 86 * kMB;

// Pages built to multiply references or their cost: each yields an archive within the bound.
TEST(ArchiveMemoryTest, HostilePagesStayWithinTheBound) {
    struct Case {
        const char* name;
        std::string page;
        const char* type;
        size_t resourceBytes = 64;
    };
    std::vector<Case> cases;
    cases.push_back({"srcset, one candidate",
                     Page(
                         "<img srcset=\"", [](size_t) { return std::string("x, "); }, "\">"),
                     "text/html"});
    cases.push_back({"srcset, distinct candidates",
                     Page(
                         "<img srcset=\"", [](size_t n) { return Name(n) + ", "; }, "\">"),
                     "text/html"});
    cases.push_back(
        {"img tags, GBK names",
         Page(
             "<html>", [](size_t n) { return "<img src=\xd6\xd0" + Name(n) + ">"; }, "</html>"),
         "text/html; charset=gbk"});
    cases.push_back({"long GBK URLs",
                     Page(
                         "<html>",
                         [](size_t n) {
                             std::string url;
                             for (int i = 0; i < 40000; ++i) url += "\xd6\xd0";
                             return "<img src=" + Name(n) + url + ">";
                         },
                         "</html>"),
                     "text/html; charset=gbk"});
    // The largest archive that can be: every page byte escaped, the whole byte budget in images.
    cases.push_back({"GBK text, 12 MB of images",
                     Page(
                         "<html>",
                         [](size_t n) {
                             std::string text =
                                 n < mht::kMaxResources ? "<img src=" + Name(n) + ">" : "";
                             for (int i = 0; i < 100; ++i) text += "\xd6\xd0";
                             return text;
                         },
                         "</html>"),
                     "text/html; charset=gbk", mht::kMaxArchiveBytes / mht::kMaxResources});
    cases.push_back({"style attribute url()s",
                     Page(
                         "<p style=\"", [](size_t n) { return "url(" + Name(n) + ")"; }, "\">"),
                     "text/html"});
    cases.push_back(
        {"style block url()s",
         Page(
             "<style>", [](size_t n) { return "a{b:url(" + Name(n) + ")}"; }, "</style>"),
         "text/html"});
    cases.push_back({"attributes in one tag",
                     Page(
                         "<img ", [](size_t n) { return Name(n) + " "; }, "src=x.png>"),
                     "text/html"});
    for (Case& c : cases) {
        ArchiveCost cost = BuildArchive(std::move(c.page), c.type, c.resourceBytes);
        std::printf("[ memory ] %-26s peak %5.1f MB above the page, %3u parts, archive %.1f MB\n",
                    c.name, cost.peakBytes / double(kMB), static_cast<unsigned>(cost.parts),
                    cost.archiveBytes / double(kMB));
        EXPECT_LT(cost.peakBytes, kArchivePeakBound) << c.name;
        EXPECT_GE(cost.parts, 1u) << c.name;
    }
}

}  // namespace
