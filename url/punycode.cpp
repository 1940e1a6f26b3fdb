#include "url/punycode.h"

#include <cstdint>

namespace url {

namespace {

constexpr uint32_t kBase = 36, kTMin = 1, kTMax = 26, kSkew = 38, kDamp = 700;
constexpr uint32_t kInitialBias = 72, kInitialN = 128;

char Digit(uint32_t d) {
    return static_cast<char>(d < 26 ? 'a' + d : '0' + (d - 26));
}

uint32_t Adapt(uint32_t delta, uint32_t points, bool first) {
    delta = first ? delta / kDamp : delta / 2;
    delta += delta / points;
    uint32_t k = 0;
    while (delta > ((kBase - kTMin) * kTMax) / 2) {
        delta /= kBase - kTMin;
        k += kBase;
    }
    return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
}

}  // namespace

bool PunycodeEncode(const std::u32string& label, std::string& out) {
    out.clear();
    for (char32_t c : label)
        if (c < 0x80) out += static_cast<char>(c);
    const uint32_t basic = static_cast<uint32_t>(out.size());
    uint32_t handled = basic;
    if (basic > 0) out += '-';
    uint32_t n = kInitialN, delta = 0, bias = kInitialBias;
    while (handled < label.size()) {
        uint32_t next = UINT32_MAX;
        for (char32_t c : label)
            if (c >= n && c < next) next = c;
        if ((next - n) > (UINT32_MAX - delta) / (handled + 1)) return false;
        delta += (next - n) * (handled + 1);
        n = next;
        for (char32_t c : label) {
            if (c < n && ++delta == 0) return false;
            if (c != n) continue;
            uint32_t q = delta;
            for (uint32_t k = kBase;; k += kBase) {
                uint32_t t = k <= bias ? kTMin : (k >= bias + kTMax ? kTMax : k - bias);
                if (q < t) break;
                out += Digit(t + (q - t) % (kBase - t));
                q = (q - t) / (kBase - t);
            }
            out += Digit(q);
            bias = Adapt(delta, handled + 1, handled == basic);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return true;
}

}  // namespace url
