// The CSS reference finder over any bytes: no fault, and a style sheet yields only resources
// and imports.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "mht/css_refs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view css(reinterpret_cast<const char*>(data), size);
    for (const mht::Reference& ref : mht::FindCssRefs(css)) {
        FUZZ_CHECK(ref.kind == mht::RefKind::kResource || ref.kind == mht::RefKind::kImport);
    }
    // A sheet that is all comment refers to nothing.
    if (css.find("*/") == std::string_view::npos) {
        std::string commented = "/*" + std::string(css) + "*/";
        FUZZ_CHECK(mht::FindCssRefs(commented).empty());
    }
    return 0;
}
