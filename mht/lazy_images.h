#pragma once
// Lazy-loaded images: pages that load an image only when it scrolls into view keep its URL in
// an attribute of their own, and their script copies it into src or srcset. An archive is read
// without the page's script, so it fetches those URLs and shows them itself.

#include <string_view>

namespace mht {

enum class LazyAttribute {
    kNone,
    kSrc,     // holds one URL, for src
    kSrcset,  // holds a srcset, for srcset
};

// What an attribute (name in lower case) of an <img>, <source> or <iframe> holds. Known names:
// data-src, data-original, data-actualsrc, data-hi-res-src, data-lazy-src, data-original-src,
// data-tab-src, lazy-src, real_src, oldsrc (a news CMS's), and Discuz's file and zoomfile on
// <img>; data-srcset and data-lazy-srcset. Any other data-* name ending in "src" or "srcset" is
// read the same way (data-lazyload-src, data-low-res-src...): pages name these freely, and the
// URL is fetched only if it resolves to http(s).
LazyAttribute LazyAttributeKind(std::string_view element, std::string_view name);

// Which of several lazy attributes of one element an archive shows: the lower the first. Known
// names in the order above, then the others.
int LazyAttributeRank(std::string_view name);

// True when an element's own src (decoded, blanks trimmed) shows nothing a reader wants, so
// that the lazy URL is shown instead: empty, a data: URL, about:blank, or a file whose name
// says it stands in for the real image (blank.gif, placeholder.png, spacer.gif, grey.gif,
// loading.gif, lazy.png, pixel.gif, 1x1.png, transparent.png, Discuz's none.gif...).
bool IsPlaceholderSrc(std::string_view src);

}  // namespace mht
