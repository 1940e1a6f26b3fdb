#pragma once
// Reading and adjusting Content-Type values ("text/html; charset=gbk").

#include <string>
#include <string_view>

namespace mht {

// The media type without parameters, in lower case ("text/html").
std::string MediaType(std::string_view contentType);

// The charset a Content-Type value (or a <meta> content attribute) names, in lower case;
// empty when it names none.
std::string ExtractCharset(std::string_view contentType);

// `contentType` with its charset parameter set to `charset` (replaced or added).
std::string WithCharset(std::string_view contentType, std::string_view charset);

// True for a charset name that can be written into a header or a tag as it is.
bool IsCharsetName(std::string_view name);

// Text that is stored as quoted-printable rather than base64: text/* and the text-like
// application types (JavaScript, JSON, XML, and +xml/+json types such as SVG).
bool IsTextLikeType(std::string_view contentType);

// Types whose body is scanned as HTML when a frame refers to it.
bool IsHtmlType(std::string_view contentType);

}  // namespace mht
