// Compressed bodies as any server might send them: decoding never reads or writes out of
// bounds, never passes its cap, and gives back exactly what was compressed.

#include <fuzzer/FuzzedDataProvider.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "net/content_decoding.h"

namespace {

const char* const kEncodings[] = {"gzip", "x-gzip", "deflate", "identity", "deflate, gzip", "br"};

std::string Gzip(const std::string& data) {
    z_stream stream = {};
    if (deflateInit2(&stream, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) return "";
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const char* encoding = input.PickValueInArray(kEncodings);
    const size_t cap = input.ConsumeIntegralInRange<size_t>(0, 1 << 20);
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    // Whatever came: within the cap, or failed with nothing left.
    std::string body = bytes;
    if (net::DecodeContent(encoding, body, cap)) {
        FUZZ_CHECK(body.size() <= cap || std::string(encoding) == "identity");
    } else {
        FUZZ_CHECK(body.empty());
    }

    // What gzip compressed comes back whole, or fails only for the cap.
    std::string packed = Gzip(bytes);
    const bool ok = net::DecodeContent("gzip", packed, cap);
    FUZZ_CHECK(ok == (bytes.size() <= cap));
    if (ok) FUZZ_CHECK(packed == bytes);
    return 0;
}
