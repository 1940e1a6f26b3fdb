// Bodies a server sent compressed: undone before anything else reads them, whatever the request
// asked for (servers of pre-compressed files send gzip to every client).
#pragma once

#include <cstddef>
#include <string>

namespace net {

// Undoes the encodings that the Content-Encoding value `encoding` lists (gzip, x-gzip, deflate
// with or without its zlib wrapper, identity; several are undone last first) on `body`, in
// place. False when one is not among them (br, compress, ...), when the data is corrupt, cut off
// or followed by anything but another gzip member, or when the decoded body would pass
// `maxBytes`: `body` then holds nothing of use. No value leaves the body as it came.
bool DecodeContent(const std::string& encoding, std::string& body, size_t maxBytes);

}  // namespace net
