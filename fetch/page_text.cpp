#include "fetch/page_text.h"

#include "afx/dbcs.h"

namespace {

constexpr std::string_view kAddressWord = "(at)";

// Walks `body` once, handing `emit` the bytes of the page text in order. The character
// boundaries are those of the text being made, where an added CR may take a trail byte's place.
template <class Emit>
void WalkPageText(std::string_view body, Emit emit) {
    bool trailNext = false;  // the last byte emitted began a double-byte character
    auto put = [&](char c) {
        emit(c);
        // Every lead byte of the double-byte code pages has its high bit set.
        trailNext = !trailNext && (c & 0x80) && afx::IsLeadByte(static_cast<unsigned char>(c));
    };
    for (size_t i = 0; i < body.size();) {
        const char c = body[i];
        if (c == '\n' && (i == 0 || body[i - 1] != '\r')) {
            put('\r');
            put('\n');
            ++i;
        } else if (c == '(' && !trailNext &&
                   body.compare(i, kAddressWord.size(), kAddressWord) == 0) {
            put('@');
            i += kAddressWord.size();
        } else {
            put(c);
            ++i;
        }
    }
}

}  // namespace

size_t PageTextSize(std::string_view body) {
    size_t size = 0;
    WalkPageText(body, [&size](char) { ++size; });
    return size;
}

std::string PageText(std::string_view body) {
    std::string text;
    text.reserve(PageTextSize(body));
    WalkPageText(body, [&text](char c) { text += c; });
    return text;
}
