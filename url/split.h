#pragma once
// Splitting text at a separator, keeping empty pieces: "a..b" split at '.' is "a", "", "b".

#include <string_view>
#include <vector>

namespace url {

inline std::vector<std::string_view> SplitAt(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t end = s.find(separator, start);
        if (end == std::string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace url
