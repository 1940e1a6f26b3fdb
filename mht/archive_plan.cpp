#include "mht/archive_plan.h"

#include <utility>

#include "mht/content_type.h"
#include "mht/css_refs.h"
#include "mht/html_entities.h"
#include "mht/html_refs.h"
#include "mht/page_charset.h"
#include "mht/url_resolve.h"

namespace mht {

ArchivePlan::ArchivePlan(std::string_view pageUrl, PlanLimits limits) : limits_(limits) {
    std::string url = ResolveHttpReference("", pageUrl);
    if (url.empty()) url = CleanAttributeUrl(pageUrl);  // not http(s): the fetch will say so
    items_.emplace_back(url, url, FetchKind::kPage, 0, 0);
    seen_.insert(url);
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
    std::string locationBase = items_[id].location;
    std::string fetchFrom = fetchBase;
    if (scan.hasBase) {
        locationBase = ResolveUrl(locationBase, scan.baseHref);
        fetchFrom = ResolveUrl(fetchFrom, scan.baseHref);
    }
    const int frameDepth = items_[id].frameDepth;
    for (const Reference& ref : scan.refs) {
        int refFrameDepth = frameDepth + (ref.kind == RefKind::kFrame ? 1 : 0);
        int refImportDepth = ref.kind == RefKind::kImport ? 1 : 0;  // from a <style> block
        Enqueue(ref, locationBase, fetchFrom, refFrameDepth, refImportDepth);
    }
    Item& item = items_[id];  // Enqueue may have moved the items
    std::string charset =
        DeclarePageCharset(item.body, item.contentType, scan.charset, scan.metaInsertPos);
    if (id == 0) {
        titleCharset_ = HeaderCharsetFor(scan.title, charset);
        title_ = DecodeHtmlEntities(scan.title, titleCharset_ == "utf-8");
    }
}

void ArchivePlan::ScanStylesheet(int id, const std::string& fetchBase) {
    std::vector<Reference> refs = FindCssRefs(items_[id].body);
    std::string locationBase = items_[id].location;
    const int frameDepth = items_[id].frameDepth;
    const int importDepth = items_[id].importDepth;
    for (const Reference& ref : refs) {
        Enqueue(ref, locationBase, fetchBase, frameDepth,
                importDepth + (ref.kind == RefKind::kImport ? 1 : 0));
    }
}

void ArchivePlan::Enqueue(const Reference& ref, const std::string& locationBase,
                          const std::string& fetchBase, int frameDepth, int importDepth) {
    if (ref.kind == RefKind::kFrame && frameDepth > limits_.maxFrameDepth) return;
    if (ref.kind == RefKind::kImport && importDepth > limits_.maxImportDepth) return;
    std::string location = ResolveHttpReference(locationBase, ref.url);
    if (location.empty() || seen_.count(location) != 0) return;
    if (items_.size() - 1 >= limits_.maxResources) return;
    std::string fetchUrl = ResolveHttpReference(fetchBase, ref.url);
    if (fetchUrl.empty()) fetchUrl = location;

    FetchKind kind = FetchKind::kResource;
    if (ref.kind == RefKind::kFrame) kind = FetchKind::kFrame;
    if (ref.kind == RefKind::kStylesheet || ref.kind == RefKind::kImport)
        kind = FetchKind::kStylesheet;
    int id = static_cast<int>(items_.size());
    seen_.insert(location);
    items_.emplace_back(std::move(location), std::move(fetchUrl), kind, frameDepth, importDepth);
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
