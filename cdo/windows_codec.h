// The archive's charset conversions and IDNA, by the platform's code pages and IdnToAscii.
#pragma once

#include <string>
#include <string_view>

#include "url/text_codec.h"

namespace cdo {

class CWindowsCodec : public url::TextCodec {
public:
    bool Decode(std::string_view charset, std::string_view bytes, std::string& utf8) const override;
    bool Encode(std::string_view charset, std::string_view utf8, std::string& bytes) const override;
    bool HostToAscii(const std::string& utf8Host, std::string& asciiHost) const override;
};

// The Windows code page of a charset label as pages write it; 0 when there is none.
unsigned CodePageOfCharset(std::string_view charset);

}  // namespace cdo
