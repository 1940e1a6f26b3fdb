#pragma once
// The bookkeeping of one archive: which URLs to fetch, in what order, within what bounds, and
// what the fetched bodies refer to in turn. It fetches nothing itself: a fetcher asks it for
// work, runs the requests (several at once if it likes), and reports each result back. The
// plan takes no lock; the fetcher calls it from one thread at a time.
//
//   ArchivePlan plan(url);
//   while (!plan.Done()) {
//       FetchRequest r;
//       while (slots free && plan.NextFetch(r)) start(r);
//       wait for one; plan.OnFetched(id, finalUrl, type, body) or plan.OnFailed(id);
//   }
//   if (plan.PageFetched()) text = ArchiveText(plan.Header(date), plan.TakeParts());

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "mht/archive_writer.h"
#include "mht/reference.h"
#include "url/text_codec.h"

namespace mht {

// Bounds of one archive, the page itself not counted. A page with more is archived with what
// fits: the first resources found, in order.
constexpr size_t kMaxResources = 200;
// Bodies of the resources together. With the page (at most 16 MB) and the archive text (at
// most about 63 MB) one archive peaks under about 90 MB, so 20 of them at once fit the 4 GB of
// a large-address-aware 32-bit process on 64-bit Windows.
constexpr size_t kMaxArchiveBytes = 8u * 1024 * 1024;
constexpr int kMaxFrameDepth = 2;   // a frame in a frame in the page, no deeper
constexpr int kMaxImportDepth = 4;  // @import chains below a linked sheet or <style> block

struct PlanLimits {
    size_t maxResources = kMaxResources;
    size_t maxBytes = kMaxArchiveBytes;
    int maxFrameDepth = kMaxFrameDepth;
    int maxImportDepth = kMaxImportDepth;
};

enum class FetchKind { kPage, kFrame, kStylesheet, kResource };

struct FetchRequest {
    int id = -1;
    std::string url;  // absolute http(s), no fragment
    FetchKind kind = FetchKind::kResource;
};

class ArchivePlan {
public:
    // `pageUrl` is UTF-8. `codec` reads references in their documents' charsets and encodes
    // queries in them; without one, references are taken as UTF-8 (see DocumentEncoding).
    explicit ArchivePlan(std::string_view pageUrl, PlanLimits limits = PlanLimits(),
                         const url::TextCodec* codec = nullptr);

    // The next fetch to start: the page first, then documents (style sheets and frames, whose
    // references are found only once they arrive), then other resources, each in the order
    // found. False when nothing is queued at the moment (fetches in flight may queue more).
    bool NextFetch(FetchRequest& request);

    // A fetch ended well. `finalUrl` is where redirects led (empty if none): the document's
    // references are fetched relative to it, but stored under the URL a reader will resolve
    // them to, relative to the URL the referring document is stored under.
    void OnFetched(int id, std::string_view finalUrl, std::string contentType, std::string body);

    // A fetch failed (no connection, a status other than 200, too large...): the part is left out.
    void OnFailed(int id);

    bool Done() const { return inFlight_ == 0 && documentQueue_.empty() && resourceQueue_.empty(); }
    bool PageFetched() const;

    // Bytes the archive may still take; a fetcher can stop reading a body beyond this.
    size_t ByteBudget() const { return limits_.maxBytes - bytesTaken_; }

    ArchiveHeader Header(std::string date) const;

    // The fetched parts: the page first, then the rest in the order they were found.
    std::vector<ArchivePart> TakeParts();

private:
    enum class State { kQueued, kInFlight, kFetched, kFailed, kTaken };

    struct Item {
        Item(std::string loc, std::string url, FetchKind k, int frames, int imports)
            : location(std::move(loc)),
              fetchUrl(std::move(url)),
              kind(k),
              frameDepth(frames),
              importDepth(imports) {}

        std::string location;  // Content-Location: the URL a reader asks for
        std::string fetchUrl;  // the URL to request
        FetchKind kind;
        int frameDepth;
        int importDepth;
        State state = State::kQueued;
        std::string contentType;
        std::string body;
        std::string charset;  // of the referring document until a document's own is known
    };

    void Enqueue(const Reference& ref, const std::string& locationBase,
                 const std::string& fetchBase, int frameDepth, int importDepth,
                 const url::DocumentEncoding& encoding);
    void ScanHtmlDocument(int id, const std::string& fetchBase);
    void ScanStylesheet(int id, const std::string& fetchBase);

    PlanLimits limits_;
    const url::TextCodec* codec_;
    std::vector<Item> items_;  // indexed by id; the page is 0
    std::deque<int> documentQueue_;
    std::deque<int> resourceQueue_;
    std::unordered_set<std::string> seen_;  // locations, so that each URL is fetched once
    size_t bytesTaken_ = 0;
    int inFlight_ = 0;
    std::string title_;
    std::string titleCharset_;
};

}  // namespace mht
