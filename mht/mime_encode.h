#pragma once
// The MIME encodings an archive uses: quoted-printable and base64 bodies (RFC 2045) and
// encoded words in headers (RFC 2047). Bytes in, ASCII out; no charset conversion.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace mht {

// Quoted-printable with lines of at most 76 characters, the "=" of a soft break included. CR LF
// in the data stays a hard line break; any other CR or LF is written =0D / =0A (so the bytes come
// back exactly), and after a =0A the line is broken softly so the source's lines stay visible.
// "=", control bytes, bytes >= 0x80 and blanks before a line end are encoded.
std::string EncodeQuotedPrintable(std::string_view data);

// Base64 in lines of 76 characters separated by CR LF, without a final line break.
std::string EncodeBase64(std::string_view data);

// The same encodings handed to `sink` in pieces of about 64 KB (joined, the text the functions
// above return), so that a large body is never held encoded whole; and their exact lengths.
using TextSink = std::function<void(std::string_view)>;
void EncodeQuotedPrintable(std::string_view data, const TextSink& sink);
void EncodeBase64(std::string_view data, const TextSink& sink);
size_t QuotedPrintableLength(std::string_view data);
size_t Base64Length(size_t bytes);

// True if the text can stand in a header as it is: printable ASCII, and no "=?" that a reader
// could take for the start of an encoded word.
bool IsHeaderSafeAscii(std::string_view text);

// The text as RFC 2047 encoded words ('B' or 'Q') in `charset`, each word at most 75
// characters and holding whole characters, words folded onto lines of their own with CR LF and
// a space. `firstLineUsed` is how much of the first line the header name already takes.
std::string EncodeHeaderWords(std::string_view text, std::string_view charset, char encoding,
                              size_t firstLineUsed = 0);

// A header value: the text itself when it is header-safe, else the shorter of the B and Q forms.
std::string EncodeHeaderText(std::string_view text, std::string_view charset,
                             size_t firstLineUsed = 0);

}  // namespace mht
