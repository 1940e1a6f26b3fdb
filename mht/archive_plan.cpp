#include "mht/archive_plan.h"

#include <utility>

#include "mht/content_type.h"
#include "mht/css_refs.h"
#include "mht/html_entities.h"
#include "mht/html_refs.h"
#include "mht/page_charset.h"
#include "mht/stylesheet_charset.h"
#include "url/url_resolve.h"

namespace mht {

using url::CleanAttributeUrl;
using url::DocumentEncoding;
using url::ResolveHttpReference;
using url::TextCodec;

ArchivePlan::ArchivePlan(std::string_view pageUrl, PlanLimits limits, const TextCodec* codec)
    : limits_(limits), codec_(codec) {
    // The page's own URL is sent as a browser sends a typed one: its query in UTF-8.
    std::string url = ResolveHttpReference("", pageUrl, DocumentEncoding{codec_, "utf-8"});
    // One that no browser would fetch (not http(s), a host holding a blank...) is given no
    // URL to fetch, so that the fetch fails without contacting anything.
    std::string location = url.empty() ? CleanAttributeUrl(pageUrl) : url;
    seen_.insert(location);
    items_.emplace_back(std::move(location), std::move(url), FetchKind::kPage, 0, 0);
    documentQueue_.push_back(0);
}

bool ArchivePlan::NextFetch(FetchRequest& request) {
    std::deque<int>& queue = documentQueue_.empty() ? resourceQueue_ : documentQueue_;
    if (queue.empty()) return false;
    int id = queue.front();
    queue.pop_front();
    Item& item = items_[id];
    item.state = State::kInFlight;
    ++inFlight_;
    request.id = id;
    request.url = item.fetchUrl;
    request.kind = item.kind;
    return true;
}

void ArchivePlan::OnFetched(int id, std::string_view finalUrl, std::string contentType,
                            std::string body) {
    if (id < 0 || static_cast<size_t>(id) >= items_.size() ||
        items_[id].state != State::kInFlight) {
        return;
    }
    if (id != 0 && body.size() > ByteBudget()) {
        OnFailed(id);
        return;
    }
    if (id != 0) bytesTaken_ += body.size();
    --inFlight_;
    Item& item = items_[id];
    item.state = State::kFetched;
    item.contentType = std::move(contentType);
    item.body = std::move(body);
    std::string fetchBase = finalUrl.empty() ? item.fetchUrl : std::string(finalUrl);
    if (item.kind == FetchKind::kPage ||
        (item.kind == FetchKind::kFrame && IsHtmlType(item.contentType))) {
        ScanHtmlDocument(id, fetchBase);
    } else if (item.kind == FetchKind::kStylesheet) {
        ScanStylesheet(id, fetchBase);
    }
}

void ArchivePlan::OnFailed(int id) {
    if (id < 0 || static_cast<size_t>(id) >= items_.size() ||
        items_[id].state != State::kInFlight) {
        return;
    }
    --inFlight_;
    items_[id].state = State::kFailed;
    std::string().swap(items_[id].body);
}

bool ArchivePlan::PageFetched() const {
    return items_[0].state == State::kFetched || items_[0].state == State::kTaken;
}

void ArchivePlan::ScanHtmlDocument(int id, const std::string& fetchBase) {
    HtmlScan scan = ScanHtml(items_[id].body);
    // The charset first: the page's references are read in it.
    std::string charset = DeclarePageCharset(items_[id].body, items_[id].contentType, scan.charset,
                                             scan.metaInsertPos);
    items_[id].charset = charset;
    const DocumentEncoding encoding{codec_, charset};
    std::string locationBase = items_[id].location;
    std::string fetchFrom = fetchBase;
    if (scan.hasBase) {
        std::string location = ResolveHttpReference(locationBase, scan.baseHref, encoding);
        std::string fetch = ResolveHttpReference(fetchFrom, scan.baseHref, encoding);
        if (!location.empty()) locationBase = std::move(location);
        if (!fetch.empty()) fetchFrom = std::move(fetch);
    }
    const int frameDepth = items_[id].frameDepth;
    for (const Reference& ref : scan.refs) {
        int refFrameDepth = frameDepth + (ref.kind == RefKind::kFrame ? 1 : 0);
        int refImportDepth = ref.kind == RefKind::kImport ? 1 : 0;  // from a <style> block
        Enqueue(ref, locationBase, fetchFrom, refFrameDepth, refImportDepth, encoding);
    }
    if (id == 0) {
        titleCharset_ = HeaderCharsetFor(scan.title, charset);
        title_ = DecodeHtmlEntities(scan.title, titleCharset_ == "utf-8");
    }
}

void ArchivePlan::ScanStylesheet(int id, const std::string& fetchBase) {
    std::vector<Reference> refs = FindCssRefs(items_[id].body);
    items_[id].charset =
        StylesheetCharset(items_[id].body, items_[id].contentType, items_[id].charset);
    const DocumentEncoding encoding{codec_, items_[id].charset};
    std::string locationBase = items_[id].location;
    const int frameDepth = items_[id].frameDepth;
    const int importDepth = items_[id].importDepth;
    for (const Reference& ref : refs) {
        Enqueue(ref, locationBase, fetchBase, frameDepth,
                importDepth + (ref.kind == RefKind::kImport ? 1 : 0), encoding);
    }
}

void ArchivePlan::Enqueue(const Reference& ref, const std::string& locationBase,
                          const std::string& fetchBase, int frameDepth, int importDepth,
                          const DocumentEncoding& encoding) {
    if (ref.kind == RefKind::kFrame && frameDepth > limits_.maxFrameDepth) return;
    if (ref.kind == RefKind::kImport && importDepth > limits_.maxImportDepth) return;
    std::string location = ResolveHttpReference(locationBase, ref.url, encoding);
    if (location.empty() || seen_.count(location) != 0) return;
    if (items_.size() - 1 >= limits_.maxResources) return;
    std::string fetchUrl = ResolveHttpReference(fetchBase, ref.url, encoding);
    if (fetchUrl.empty()) fetchUrl = location;

    FetchKind kind = FetchKind::kResource;
    if (ref.kind == RefKind::kFrame) kind = FetchKind::kFrame;
    if (ref.kind == RefKind::kStylesheet || ref.kind == RefKind::kImport)
        kind = FetchKind::kStylesheet;
    int id = static_cast<int>(items_.size());
    seen_.insert(location);
    items_.emplace_back(std::move(location), std::move(fetchUrl), kind, frameDepth, importDepth);
    items_.back().charset = encoding.charset;  // a style sheet's fallback
    (kind == FetchKind::kResource ? resourceQueue_ : documentQueue_).push_back(id);
}

ArchiveHeader ArchivePlan::Header(std::string date) const {
    return ArchiveHeader{items_[0].location, std::move(date), title_, titleCharset_};
}

std::vector<ArchivePart> ArchivePlan::TakeParts() {
    std::vector<ArchivePart> parts;
    for (Item& item : items_) {
        if (item.state != State::kFetched) continue;
        parts.push_back(
            ArchivePart{item.location, std::move(item.contentType), std::move(item.body)});
        item.state = State::kTaken;
    }
    return parts;
}

}  // namespace mht
