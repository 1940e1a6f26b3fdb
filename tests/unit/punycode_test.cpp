#include "url/punycode.h"

#include <gtest/gtest.h>

namespace {

std::string Encode(const std::u32string& label) {
    std::string out;
    EXPECT_TRUE(url::PunycodeEncode(label, out));
    return out;
}

}  // namespace

TEST(PunycodeTest, EncodesAsRfc3492) {
    EXPECT_EQ("zca", Encode(U"\u00DF"));
    EXPECT_EQ("fa-hia", Encode(U"fa\u00DF"));
    EXPECT_EQ("bcher-kva", Encode(U"b\u00FCcher"));
    EXPECT_EQ("fsqu00a", Encode(U"\u4F8B\u5B50"));
    EXPECT_EQ("nxasmm1c", Encode(U"\u03B2\u03CC\u03BB\u03BF\u03C2"));
    EXPECT_EQ("ls8h", Encode(U"\U0001F4A9"));
    // RFC 3492 sample (L): "3<nen>B<gumi><kinpachi><sensei>"
    EXPECT_EQ("3B-ww4c5e180e575a65lsy2b", Encode(U"3\u5E74B\u7D44\u91D1\u516B\u5148\u751F"));
    EXPECT_EQ("abc-", Encode(U"abc"));
}
