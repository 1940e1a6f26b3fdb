#pragma once
// Charset conversions of reference text, which only the platform knows how to do in full: a
// page's references are read in its charset, and a query is sent in it.

#include <string>
#include <string_view>

namespace url {

class TextCodec {
public:
    virtual ~TextCodec() = default;

    // `bytes` in `charset` (a label as pages write it: "gbk", "Shift_JIS", "utf-8") as UTF-8.
    // False when the charset is unknown or the conversion fails.
    virtual bool Decode(std::string_view charset, std::string_view bytes,
                        std::string& utf8) const = 0;

    // UTF-8 text in `charset`, for a query. A character the charset cannot hold is written
    // "%26%23" decimal "%3B" (its "&#N;", percent-encoded), as browsers send it. False when
    // the charset is unknown.
    virtual bool Encode(std::string_view charset, std::string_view utf8,
                        std::string& bytes) const = 0;

    // The IDNA ASCII form of a host holding non-ASCII (UTF-8). False when it has none.
    virtual bool HostToAscii(const std::string& utf8Host, std::string& asciiHost) const = 0;
};

// How one document's references are read: with no codec they are taken as UTF-8 (bytes that
// are not UTF-8 are %-escaped as they stand); with no charset, text that is valid UTF-8 is
// read as UTF-8 and other text as GBK, and the query is sent in UTF-8.
struct DocumentEncoding {
    const TextCodec* codec = nullptr;
    std::string charset;  // lower case; empty when nothing declares one
};

}  // namespace url
