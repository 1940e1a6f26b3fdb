#include "mht/lazy_images.h"

#include <string>

#include "url/ascii.h"


namespace mht {
namespace {

// In the order an archive prefers them when an element has several: the full image before a
// smaller one, Discuz's shown image before its zoomed one.
constexpr std::string_view kKnownSrcNames[] = {
    "data-src",          "data-original", "data-actualsrc", "data-hi-res-src", "data-lazy-src",
    "data-original-src", "data-tab-src",  "lazy-src",       "real_src",        "file",
    "zoomfile",          "oldsrc",
};
constexpr size_t kKnownSrcCount = sizeof kKnownSrcNames / sizeof kKnownSrcNames[0];

// Words in the file name of images that only hold a place.
constexpr std::string_view kPlaceholderWords[] = {
    "blank", "placeholder", "spacer",      "grey",     "gray",  "loading",   "loader", "lazy",
    "pixel", "1x1",         "transparent", "none.gif", "empty", "clear.gif", "s.gif",  "dot.gif",
};

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

LazyAttribute LazyAttributeKind(std::string_view element, std::string_view name) {
    if (element != "img" && element != "source" && element != "iframe") return LazyAttribute::kNone;
    if ((name == "file" || name == "zoomfile") && element != "img") return LazyAttribute::kNone;
    for (std::string_view known : kKnownSrcNames) {
        if (name == known) return LazyAttribute::kSrc;
    }
    if (name.substr(0, 5) != "data-") return LazyAttribute::kNone;
    if (EndsWith(name, "srcset")) return LazyAttribute::kSrcset;
    if (EndsWith(name, "src")) return LazyAttribute::kSrc;
    return LazyAttribute::kNone;
}

int LazyAttributeRank(std::string_view name) {
    for (size_t i = 0; i < kKnownSrcCount; ++i) {
        if (name == kKnownSrcNames[i]) return static_cast<int>(i);
    }
    if (name == "data-srcset") return 0;
    if (name == "data-lazy-srcset") return 1;
    return static_cast<int>(kKnownSrcCount);
}

bool IsPlaceholderSrc(std::string_view src) {
    if (src.empty()) return true;
    std::string lower = ascii::Lower(src);
    if (lower.compare(0, 5, "data:") == 0 || lower == "about:blank") return true;
    // The file name alone: a folder named "lazy" says nothing of the image.
    size_t end = lower.find_first_of("?#");
    std::string_view path = std::string_view(lower).substr(0, end);
    size_t slash = path.rfind('/');
    std::string_view file = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (file.empty()) return true;  // a folder, or the page itself
    for (std::string_view word : kPlaceholderWords) {
        if (word.find('.') != std::string_view::npos ? file == word
                                                     : file.find(word) != std::string_view::npos)
            return true;
    }
    return false;
}

}  // namespace mht
