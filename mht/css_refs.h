#pragma once

#include <string_view>
#include <vector>

#include "mht/reference.h"
#include "mht/reference_list.h"

namespace mht {

// The URLs a style sheet (or a <style> block, or a style attribute) refers to, in order:
// url(...) as kResource (fonts of @font-face included), @import "x" and @import url(x) as
// kImport. Comments are skipped; strings that are not URLs are not mistaken for them. Each URL
// is given once, at most kMaxDocumentRefs of them.
std::vector<Reference> FindCssRefs(std::string_view css);

// The same, added to the references of the document the CSS is part of; stops reading once
// that list is full.
void FindCssRefs(std::string_view css, ReferenceList& refs);

}  // namespace mht
