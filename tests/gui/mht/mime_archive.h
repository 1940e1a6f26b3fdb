// A plain reader of a web archive file, so that tests can check what the program wrote: the
// envelope's headers and the parts of a multipart/related body. It checks the structure only
// and decodes nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace mht_gui {

using MimeHeaders = std::vector<std::pair<std::string, std::string>>;

// The first value of the header `name` (any letter case); empty when there is none.
std::string HeaderValue(const MimeHeaders& headers, const std::string& name);
// A parameter of a structured header value, unquoted: Param("a/b; x=\"1\"", "x") is "1".
std::string Param(const std::string& value, const std::string& name);

struct MimePart {
    MimeHeaders headers;
    std::string body;  // as stored, still encoded
};

struct MimeArchive {
    MimeHeaders headers;
    std::string boundary;
    std::vector<MimePart> parts;

    // Content-Location of every part, in order.
    std::vector<std::string> Locations() const;
};

// Reads `bytes` as a multipart MIME message. False, with the reason in `error`, when a line
// does not end in CR LF, the envelope names no boundary, or a delimiter is missing.
bool ReadArchive(const std::string& bytes, MimeArchive* archive, std::string* error);

}  // namespace mht_gui
