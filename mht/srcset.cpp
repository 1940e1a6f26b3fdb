#include "mht/srcset.h"

#include <cstdlib>

namespace mht {
namespace {

// A candidate's size as one number to compare: its density, or its width in pixels. A
// descriptor that is neither (a height alone, garbage) reads as 1x, as a missing one does.
struct CandidateSize {
    bool isWidth = false;
    double value = 1.0;
};

CandidateSize ReadDescriptors(std::string_view descriptors) {
    CandidateSize size;
    size_t i = 0;
    while (i < descriptors.size()) {
        while (i < descriptors.size() &&
               (descriptors[i] == ' ' || descriptors[i] == '\t' || descriptors[i] == '\n' ||
                descriptors[i] == '\r' || descriptors[i] == '\f'))
            ++i;
        size_t start = i;
        while (i < descriptors.size() && descriptors[i] != ' ' && descriptors[i] != '\t' &&
               descriptors[i] != '\n' && descriptors[i] != '\r' && descriptors[i] != '\f')
            ++i;
        std::string token(descriptors.substr(start, i - start));
        if (token.size() < 2) continue;
        char unit = token.back();
        token.pop_back();
        char* end = nullptr;
        double number = std::strtod(token.c_str(), &end);
        if (end == token.c_str() || *end != '\0' || !(number > 0)) continue;
        if (unit == 'x' || unit == 'X') {
            size = CandidateSize{false, number};
        } else if (unit == 'w' || unit == 'W') {
            size = CandidateSize{true, number};
        }
    }
    return size;
}

constexpr double kMaxDensity = 2.0;
constexpr double kMaxWidth = 2048.0;

// True when `a` is the better choice than `b`: within the limit the larger wins, and anything
// within it beats anything past it, where the smaller wins.
bool Better(double a, double b, double limit) {
    bool aFits = a <= limit, bFits = b <= limit;
    if (aFits != bFits) return aFits;
    return aFits ? a > b : a < b;
}

}  // namespace

std::vector<std::string> SplitSrcset(std::string_view s) {
    std::vector<std::string> urls;
    ForEachSrcsetCandidate(s, [&urls](std::string_view url, std::string_view) {
        urls.emplace_back(url);
        return true;
    });
    return urls;
}

std::string ChooseSrcsetCandidate(std::string_view srcset) {
    std::string chosen;
    bool have = false;
    CandidateSize best;
    ForEachSrcsetCandidate(srcset, [&](std::string_view url, std::string_view descriptors) {
        CandidateSize size = ReadDescriptors(descriptors);
        // Widths and densities do not compare: a set mixing them (an authoring error) is
        // judged by the kind its first candidate has.
        if (have && size.isWidth != best.isWidth) return true;
        double limit = size.isWidth ? kMaxWidth : kMaxDensity;
        if (!have || Better(size.value, best.value, limit)) {
            chosen.assign(url);
            best = size;
            have = true;
        }
        return true;
    });
    return chosen;
}

}  // namespace mht
