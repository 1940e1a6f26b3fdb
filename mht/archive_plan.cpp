#include "mht/archive_plan.h"

#include <algorithm>
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
    seen_.emplace(location, 0);
    items_.emplace_back(std::move(location), std::move(url), FetchKind::kPage, 0, 0);
    ++queued_;
    Queue(0);
}

std::deque<int>& ArchivePlan::QueueOf(const Item& item) {
    if (item.kind != FetchKind::kResource) return documentQueue_;
    return resourceQueues_[static_cast<size_t>(item.priority)];
}

void ArchivePlan::Queue(int id) {
    QueueOf(items_[id]).push_back(id);
}

bool ArchivePlan::NextFetch(FetchRequest& request) {
    std::deque<int>* queues[1 + kPriorities] = {&documentQueue_, &resourceQueues_[0],
                                                &resourceQueues_[1], &resourceQueues_[2]};
    for (std::deque<int>* queue : queues) {
        while (!queue->empty()) {
            int id = queue->front();
            queue->pop_front();
            Item& item = items_[id];
            // Left behind when the item moved up a queue, or its place went to another.
            if (item.state != State::kQueued || queue != &QueueOf(item)) continue;
            item.state = State::kInFlight;
            --queued_;
            ++inFlight_;
            request.id = id;
            request.url = item.fetchUrl;
            request.kind = item.kind;
            return true;
        }
    }
    return false;
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
    const size_t scannedSize = items_[id].body.size();
    std::string charset = DeclarePageCharset(items_[id].body, items_[id].contentType, scan.charset,
                                             scan.metaInsertPos);
    // A <meta> added for the charset moves what follows it.
    const size_t inserted = items_[id].body.size() - scannedSize;
    const size_t insertedAt = scan.metaInsertPos <= scannedSize ? scan.metaInsertPos : 0;
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
    for (PageEdit& edit : scan.edits) {
        Edit resolved{
            edit.pos >= insertedAt ? edit.pos + inserted : edit.pos, std::move(edit.text), {}};
        for (const std::string& need : edit.needs) {
            std::string location = ResolveHttpReference(locationBase, need, encoding);
            if (location.empty()) break;
            resolved.needs.push_back(std::move(location));
        }
        if (resolved.needs.size() == edit.needs.size())
            items_[id].edits.push_back(std::move(resolved));
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
    if (location.empty()) return;
    FetchKind kind = FetchKind::kResource;
    if (ref.kind == RefKind::kFrame) kind = FetchKind::kFrame;
    if (ref.kind == RefKind::kStylesheet || ref.kind == RefKind::kImport)
        kind = FetchKind::kStylesheet;
    // Documents go ahead of every resource: they count as above the highest priority.
    const RefPriority priority = kind == FetchKind::kResource ? ref.priority : RefPriority::kShown;

    auto seen = seen_.find(location);
    if (seen != seen_.end()) {
        // Found again where a reader needs it more (an image that was a srcset candidate, or
        // one a style sheet shows): it moves up while it waits.
        Item& item = items_[seen->second];
        if (item.state == State::kQueued && item.kind == FetchKind::kResource &&
            ref.priority < item.priority) {
            item.priority = ref.priority;
            Queue(seen->second);
        }
        return;
    }
    std::string fetchUrl = ResolveHttpReference(fetchBase, ref.url, encoding);
    if (fetchUrl.empty()) fetchUrl = location;

    int id;
    if (items_.size() - 1 < limits_.maxResources) {
        id = static_cast<int>(items_.size());
        items_.emplace_back(std::move(location), std::move(fetchUrl), kind, frameDepth,
                            importDepth);
    } else {
        // Full: the new reference takes the place of a waiting one a reader needs less.
        id = TakeVictim(priority, kind != FetchKind::kResource);
        if (id < 0) return;
        seen_.erase(items_[id].location);
        items_[id] = Item(std::move(location), std::move(fetchUrl), kind, frameDepth, importDepth);
    }
    Item& item = items_[id];
    seen_.emplace(item.location, id);
    item.charset = encoding.charset;  // a style sheet's fallback
    item.priority = priority;
    ++queued_;
    Queue(id);
}

int ArchivePlan::TakeVictim(RefPriority priority, bool document) {
    for (size_t p = kPriorities; p-- > 0;) {
        // A document takes the place of any waiting resource, a resource only of a lesser one.
        if (!document && p <= static_cast<size_t>(priority)) break;
        std::deque<int>& queue = resourceQueues_[p];
        while (!queue.empty()) {
            int id = queue.back();
            queue.pop_back();
            const Item& item = items_[id];
            if (item.state == State::kQueued && item.priority == static_cast<RefPriority>(p)) {
                --queued_;
                return id;
            }
        }
    }
    return -1;
}

bool ArchivePlan::IsFetched(const std::string& location) const {
    auto found = seen_.find(location);
    if (found == seen_.end()) return false;
    State state = items_[found->second].state;
    return state == State::kFetched || state == State::kTaken;
}

std::string ArchivePlan::ApplyEdits(Item& item) const {
    std::vector<const Edit*> made;
    size_t grows = 0;
    for (const Edit& edit : item.edits) {
        bool archived = edit.pos <= item.body.size();
        for (const std::string& need : edit.needs) archived = archived && IsFetched(need);
        if (!archived) continue;
        made.push_back(&edit);
        grows += edit.text.size();
    }
    if (made.empty()) return std::move(item.body);
    std::stable_sort(made.begin(), made.end(),
                     [](const Edit* a, const Edit* b) { return a->pos < b->pos; });
    std::string body;
    body.reserve(item.body.size() + grows);
    size_t at = 0;
    for (const Edit* edit : made) {
        body.append(item.body, at, edit->pos - at).append(edit->text);
        at = edit->pos;
    }
    body.append(item.body, at, std::string::npos);
    std::string().swap(item.body);
    return body;
}

ArchiveHeader ArchivePlan::Header(std::string date) const {
    return ArchiveHeader{items_[0].location, std::move(date), title_, titleCharset_};
}

std::vector<ArchivePart> ArchivePlan::TakeParts() {
    std::vector<ArchivePart> parts;
    // Edits look up which parts were fetched: every part's state is final before any is taken.
    std::vector<int> fetched;
    for (size_t id = 0; id < items_.size(); ++id) {
        if (items_[id].state == State::kFetched) fetched.push_back(static_cast<int>(id));
    }
    for (int id : fetched) {
        Item& item = items_[id];
        std::string body = item.edits.empty() ? std::move(item.body) : ApplyEdits(item);
        std::vector<Edit>().swap(item.edits);
        parts.push_back(ArchivePart{item.location, std::move(item.contentType), std::move(body)});
    }
    for (int id : fetched) items_[id].state = State::kTaken;
    return parts;
}

}  // namespace mht
