#pragma once
// The candidates of a srcset attribute, and the one an archive fetches first.

#include <string>
#include <string_view>
#include <vector>

namespace mht {

// Calls visit(url, descriptors) for each candidate in order, as the srcset grammar reads it: a
// URL (which may hold commas, but not end with one), then descriptors up to a comma outside
// parentheses. Stops early when visit returns false.
template <class Visit>
void ForEachSrcsetCandidate(std::string_view s, Visit visit) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    };
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (blank(s[i]) || s[i] == ',')) ++i;
        if (i >= s.size()) break;
        size_t start = i;
        while (i < s.size() && !blank(s[i])) ++i;
        std::string_view url = s.substr(start, i - start);
        bool endedWithComma = false;
        while (!url.empty() && url.back() == ',') {
            url.remove_suffix(1);
            endedWithComma = true;
        }
        size_t descriptorStart = i;
        if (!endedWithComma) {
            int depth = 0;
            while (i < s.size() && !(s[i] == ',' && depth == 0)) {
                if (s[i] == '(') ++depth;
                if (s[i] == ')' && depth > 0) --depth;
                ++i;
            }
        }
        if (!url.empty() && !visit(url, s.substr(descriptorStart, i - descriptorStart))) return;
    }
}

// The URL candidates of a srcset attribute, in order (descriptors dropped).
std::vector<std::string> SplitSrcset(std::string_view srcset);

// The candidate an archive takes first, the one a reader at up to twice the usual pixel density
// sees: with density descriptors the densest up to 2x (else the least dense); with width
// descriptors the widest up to 2048 pixels, a 1024-pixel-wide window at 2x (else the
// narrowest); a candidate without descriptor counts as 1x. Empty when there is none.
std::string ChooseSrcsetCandidate(std::string_view srcset);

}  // namespace mht
