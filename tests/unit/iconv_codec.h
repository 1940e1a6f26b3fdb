// The archive's codec for native tests, by the C library's iconv. IDNA is not available here.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

#include "url/text_codec.h"

namespace mht_test {

class IconvCodec : public url::TextCodec {
public:
    bool Decode(std::string_view charset, std::string_view bytes,
                std::string& utf8) const override {
        return Convert(std::string(charset), "UTF-8", bytes, utf8);
    }

    // Characters the charset cannot hold fail the conversion; the Windows codec's tests cover
    // what browsers send for them.
    bool Encode(std::string_view charset, std::string_view utf8,
                std::string& bytes) const override {
        return Convert("UTF-8", std::string(charset), utf8, bytes);
    }

    bool HostToAscii(const std::string&, std::string&) const override { return false; }

private:
    static bool Convert(const std::string& from, const std::string& to, std::string_view in,
                        std::string& out) {
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1)) return false;
        std::string input(in);
        out.assign(input.size() * 4 + 4, '\0');
        char* src = input.data();
        size_t srcLeft = input.size();
        char* dst = out.data();
        size_t dstLeft = out.size();
        const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1);
        iconv_close(cd);
        out.resize(out.size() - dstLeft);
        return ok;
    }
};

}  // namespace mht_test
