#pragma once
// Writes a web archive: one multipart/related MIME message (RFC 2557) holding a page and the
// resources it refers to, CR LF line ends throughout.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mht {

struct ArchivePart {
    std::string url;          // absolute; readers match references against it exactly
    std::string contentType;  // as the server sent it, parameters kept
    std::string body;
};

struct ArchiveHeader {
    std::string pageUrl;
    std::string date;          // a Date header value, see FormatMailDate
    std::string title;         // the page's title, bytes in titleCharset
    std::string titleCharset;  // used only when the title is not plain ASCII
};

// Receives the archive text piece by piece (e.g. to write it to a file).
using ArchiveSink = std::function<void(std::string_view)>;

// The archive as one text, allocated once at its exact size: the envelope, then the parts in
// the order given (the page first). Text types are quoted-printable, the rest base64. Each body
// is encoded in pieces and released once written: beyond the parts and the text, writing holds
// about 64 KB.
std::string ArchiveText(const ArchiveHeader& header, std::vector<ArchivePart> parts);

// The boundary's form: contains "=_", which quoted-printable and base64 never produce.
std::string BoundaryCandidate(unsigned seed, unsigned attempt);

// The first candidate that occurs in none of `texts`.
std::string ChooseBoundary(const std::vector<std::string_view>& texts, unsigned seed);

}  // namespace mht
