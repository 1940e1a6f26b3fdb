// Punycode (RFC 3492): a label of Unicode code points as the ASCII that follows "xn--".
// Free of Windows headers.
#pragma once

#include <string>

namespace url {

// False when the label cannot be encoded (a value overflows).
bool PunycodeEncode(const std::u32string& label, std::string& out);

}  // namespace url
