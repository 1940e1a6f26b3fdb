// Lower-casing of ASCII letters only: schemes, host names, charset and type names are ASCII,
// and the bytes of a double-byte character must never change.
#pragma once

#include <string>
#include <string_view>

namespace mht {

inline char ToLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = ToLower(c);
    return out;
}

}  // namespace mht
