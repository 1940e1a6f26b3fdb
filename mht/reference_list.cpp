#include "mht/reference_list.h"

#include <utility>

namespace mht {

void ReferenceList::Add(RefKind kind, std::string url) {
    if (url.empty() || url.size() > kMaxReferenceBytes || Full()) return;
    if (!seen_.insert(url).second) return;
    refs_.push_back(Reference{kind, std::move(url)});
}

std::vector<Reference> ReferenceList::Take() {
    seen_.clear();
    return std::move(refs_);
}

}  // namespace mht
