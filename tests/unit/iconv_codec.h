// The archive's codec for native tests, by the C library's iconv. IDNA is not available here.
#pragma once

#include <iconv.h>

#include <cerrno>
#include <string>
#include <string_view>

#include "mht/text_codec.h"

namespace mht_test {

class IconvCodec : public mht::TextCodec {
public:
    bool Decode(std::string_view charset, std::string_view bytes,
                std::string& utf8) const override {
        return Convert(std::string(charset), "UTF-8", bytes, utf8, nullptr);
    }

    bool Encode(std::string_view charset, std::string_view utf8,
                std::string& bytes) const override {
        return Convert("UTF-8", std::string(charset), utf8, bytes, &bytes);
    }

    bool HostToAscii(const std::string&, std::string&) const override { return false; }

private:
    // When `escapes` is set, an input character the target cannot hold is written as the
    // percent-encoded "&#N;" that browsers send.
    static bool Convert(const std::string& from, const std::string& to, std::string_view in,
                        std::string& out, std::string* escapes) {
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd == reinterpret_cast<iconv_t>(-1)) return false;
        out.clear();
        std::string input(in);
        char* src = input.data();
        size_t srcLeft = input.size();
        bool ok = true;
        while (srcLeft > 0) {
            char buf[256];
            char* dst = buf;
            size_t dstLeft = sizeof buf;
            size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, dst - buf);
            if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
            if (errno != EILSEQ || escapes == nullptr) {
                ok = false;
                break;
            }
            // One UTF-8 character the target cannot hold.
            unsigned char lead = static_cast<unsigned char>(*src);
            size_t len = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            if (len > srcLeft) len = srcLeft;
            unsigned long cp = lead & (0xFF >> (len + 1));
            for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (src[k] & 0x3F);
            out += "%26%23" + std::to_string(cp) + "%3B";
            src += len;
            srcLeft -= len;
        }
        iconv_close(cd);
        return ok;
    }
};

}  // namespace mht_test
