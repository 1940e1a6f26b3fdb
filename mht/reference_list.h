#pragma once
// The references one document yields, bounded before any is resolved: a hostile page can
// hold millions of them (a 16 MB srcset), while an archive keeps at most a few hundred.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "mht/reference.h"

namespace mht {

// Distinct URLs kept from one document (a page, a frame, a style sheet). Well above what one
// archive fetches (see archive_plan.h), so that links which come to nothing (data:, mailto:, a
// type no archive holds) leave room for the rest.
constexpr size_t kMaxDocumentRefs = 1000;
// A reference longer than this is dropped: no server is asked for such a URL (browsers and
// WinInet stop near 2 KB), and long ones are where a page multiplies memory.
constexpr size_t kMaxReferenceBytes = 4096;

class ReferenceList {
public:
    explicit ReferenceList(size_t limit = kMaxDocumentRefs) : limit_(limit) {}

    // Keeps the reference unless it is empty, too long, a repeat of a URL already kept or past
    // the limit. A repeat keeps the first kind found (as in the archive) and the higher of the
    // two priorities: an image that is also a srcset candidate is an image.
    void Add(RefKind kind, std::string url, RefPriority priority = RefPriority::kShown);
    // No further reference will be kept: scanners can stop looking.
    bool Full() const { return refs_.size() >= limit_; }

    std::vector<Reference> Take();

private:
    size_t limit_;
    std::vector<Reference> refs_;
    std::unordered_map<std::string, size_t> seen_;  // URL -> index in refs_
};

}  // namespace mht
