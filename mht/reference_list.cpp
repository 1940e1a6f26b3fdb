#include "mht/reference_list.h"

#include <utility>

namespace mht {

void ReferenceList::Add(RefKind kind, std::string url, RefPriority priority) {
    if (url.empty() || url.size() > kMaxReferenceBytes) return;
    auto found = seen_.find(url);
    if (found != seen_.end()) {
        Reference& kept = refs_[found->second];
        if (priority < kept.priority) kept.priority = priority;
        return;
    }
    if (Full()) return;
    seen_.emplace(url, refs_.size());
    refs_.push_back(Reference{kind, std::move(url), priority});
}

std::vector<Reference> ReferenceList::Take() {
    seen_.clear();
    return std::move(refs_);
}

}  // namespace mht
