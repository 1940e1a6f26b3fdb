// Compressed bodies undone: the encodings servers send, the forms deflate takes in practice, the
// cap on what a body inflates to, and everything that must fail rather than pass bytes on.
#include <gtest/gtest.h>

#include <zlib.h>

#include <string>

#include "net/content_decoding.h"

namespace {

using net::DecodeContent;

// `data` compressed by zlib: windowBits 31 gives gzip, 15 the zlib format, -15 bare deflate.
std::string Compressed(const std::string& data, int windowBits) {
    z_stream stream = {};
    EXPECT_EQ(Z_OK, deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8,
                                 Z_DEFAULT_STRATEGY));
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(Z_STREAM_END, deflate(&stream, Z_FINISH));
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}
std::string Gzip(const std::string& data) {
    return Compressed(data, 31);
}

const std::string kText = "first line\nsecond line\nthird line\n";

bool Decodes(const std::string& encoding, std::string body, const std::string& expected,
             size_t maxBytes = 16u << 20) {
    const bool ok = DecodeContent(encoding, body, maxBytes);
    EXPECT_EQ(expected, body) << encoding;
    return ok;
}

TEST(ContentDecoding, TheEncodingsServersSendAreUndone) {
    EXPECT_TRUE(Decodes("gzip", Gzip(kText), kText));
    EXPECT_TRUE(Decodes("x-gzip", Gzip(kText), kText));
    EXPECT_TRUE(Decodes(" GZip ", Gzip(kText), kText)) << "names are case-blind, blanks around";
    // deflate is the zlib format, and from some servers the bare data: both are read.
    EXPECT_TRUE(Decodes("deflate", Compressed(kText, 15), kText));
    EXPECT_TRUE(Decodes("deflate", Compressed(kText, -15), kText));
    // No encoding, or identity, leaves the bytes as they came, compressed-looking or not.
    const std::string packed = Gzip(kText);
    EXPECT_TRUE(Decodes("", packed, packed));
    EXPECT_TRUE(Decodes("identity", packed, packed));
    // Several are undone last first.
    EXPECT_TRUE(Decodes("deflate, gzip", Gzip(Compressed(kText, 15)), kText));
    EXPECT_TRUE(Decodes("gzip,identity", Gzip(kText), kText));
    // Concatenated gzip members make one body; an empty body has nothing to undo.
    EXPECT_TRUE(Decodes("gzip", Gzip("first ") + Gzip("second"), "first second"));
    EXPECT_TRUE(Decodes("gzip", "", ""));
}

TEST(ContentDecoding, WhatCannotBeDecodedFailsAndLeavesNothing) {
    const std::string packed = Gzip(kText);
    EXPECT_FALSE(Decodes("br", packed, ""));
    EXPECT_FALSE(Decodes("compress", packed, ""));
    EXPECT_FALSE(Decodes("gzip, br", packed, "")) << "br was applied last";
    EXPECT_FALSE(Decodes("gzip", kText, "")) << "not gzip at all";
    EXPECT_FALSE(Decodes("gzip", packed.substr(0, packed.size() - 5), "")) << "cut off";
    std::string damaged = packed;
    damaged[damaged.size() - 3] ^= 0x40;  // the length in the trailer
    EXPECT_FALSE(Decodes("gzip", damaged, ""));
    damaged = packed;
    for (size_t i = 10; i < damaged.size() - 8; ++i) damaged[i] ^= 0x5A;  // the data itself
    EXPECT_FALSE(Decodes("gzip", damaged, ""));
    EXPECT_FALSE(Decodes("gzip", packed + "junk", "")) << "anything after the last member";
    const std::string zlib = Compressed(kText, 15);
    EXPECT_FALSE(Decodes("deflate", zlib + zlib, "")) << "deflate has one stream";
}

TEST(ContentDecoding, TheCapHoldsForTheDecodedSize) {
    const std::string big(200000, 'x');  // inflates from a few hundred bytes
    const std::string packed = Gzip(big);
    ASSERT_LT(packed.size(), 1000u);
    EXPECT_TRUE(Decodes("gzip", packed, big, big.size()));
    EXPECT_FALSE(Decodes("gzip", packed, "", big.size() - 1));
    EXPECT_FALSE(Decodes("deflate", Compressed(big, 15), "", 1000));
    // The cap is counted over every member and every encoding undone.
    EXPECT_FALSE(Decodes("gzip", Gzip("12345") + Gzip("678"), "", 7));
}

}  // namespace
