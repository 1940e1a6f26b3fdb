#pragma once

#include <string_view>
#include <vector>

#include "mht/reference.h"

namespace mht {

// The URLs a style sheet (or a <style> block, or a style attribute) refers to, in order:
// url(...) as kResource (fonts of @font-face included), @import "x" and @import url(x) as
// kImport. Comments are skipped; strings that are not URLs are not mistaken for them.
std::vector<Reference> FindCssRefs(std::string_view css);

}  // namespace mht
