#include "net/content_decoding.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace net {
namespace {

enum class Format { kGzip, kDeflate, kUnknown };

// The encoding names of one Content-Encoding value, lower-cased, in the order listed.
std::vector<std::string> EncodingNames(const std::string& value) {
    std::vector<std::string> names;
    std::string name;
    for (size_t i = 0; i <= value.size(); ++i) {
        const char c = i < value.size() ? value[i] : ',';
        if (c == ',') {
            if (!name.empty()) names.push_back(name);
            name.clear();
        } else if (c != ' ' && c != '\t') {
            name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return names;
}

// Owns one inflate stream.
class Inflater {
public:
    explicit Inflater(int windowBits) { m_ready = inflateInit2(&m_stream, windowBits) == Z_OK; }
    ~Inflater() {
        if (m_ready) inflateEnd(&m_stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready() const { return m_ready; }
    z_stream& stream() { return m_stream; }

private:
    z_stream m_stream = {};
    bool m_ready = false;
};

// What deflate names in practice: the zlib format of the standard, or (from some servers) the
// bare deflate data. A zlib stream starts with a header whose check bits make it a multiple of 31.
bool HasZlibHeader(const std::string& data) {
    if (data.size() < 2) return false;
    const unsigned cmf = static_cast<unsigned char>(data[0]);
    const unsigned flg = static_cast<unsigned char>(data[1]);
    return (cmf & 0x0F) == Z_DEFLATED && (cmf >> 4) <= 7 && (cmf * 256 + flg) % 31 == 0;
}

bool StartsGzipMember(const unsigned char* at, size_t left) {
    return left >= 2 && at[0] == 0x1F && at[1] == 0x8B;
}

bool Inflate(Format format, const std::string& in, size_t maxBytes, std::string& out) {
    out.clear();
    if (format == Format::kUnknown) return false;
    if (in.empty()) return true;  // nothing was encoded
    const int windowBits = format == Format::kGzip ? 16 + MAX_WBITS
                           : HasZlibHeader(in)     ? MAX_WBITS
                                                   : -MAX_WBITS;
    Inflater inflater(windowBits);
    if (!inflater.ready()) return false;
    z_stream& stream = inflater.stream();
    // A body is at most 16 MB: it fits zlib's 32-bit counts.
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = static_cast<uInt>(in.size());
    // Inflated straight into `out` (request threads have small stacks), one byte past the
    // limit at most, which is how a body that inflates too far is told.
    constexpr size_t kPiece = 64 * 1024;
    for (;;) {
        const size_t had = out.size();
        const size_t room = std::min(kPiece, maxBytes + 1 - had);
        out.resize(had + room);
        stream.next_out = reinterpret_cast<Bytef*>(&out[had]);
        stream.avail_out = static_cast<uInt>(room);
        const int status = inflate(&stream, Z_NO_FLUSH);
        out.resize(had + room - stream.avail_out);
        if (out.size() > maxBytes) return false;
        if (status == Z_STREAM_END) {
            if (stream.avail_in == 0) return true;
            // Several gzip members one after the other make one body (RFC 1952).
            if (format != Format::kGzip || !StartsGzipMember(stream.next_in, stream.avail_in))
                return false;
            if (inflateReset(&stream) != Z_OK) return false;
        } else if (status != Z_OK) {
            return false;  // corrupt (Z_DATA_ERROR, Z_NEED_DICT), no memory, or cut off
        } else if (stream.avail_in == 0 && stream.avail_out != 0) {
            return false;  // the input ended before the stream did
        }
    }
}

}  // namespace

bool DecodeContent(const std::string& encoding, std::string& body, size_t maxBytes) {
    const std::vector<std::string> names = EncodingNames(encoding);
    // The last encoding listed was applied last: it is undone first.
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        Format format;
        if (*name == "identity") continue;
        if (*name == "gzip" || *name == "x-gzip")
            format = Format::kGzip;
        else if (*name == "deflate")
            format = Format::kDeflate;
        else
            format = Format::kUnknown;
        std::string decoded;
        if (!Inflate(format, body, maxBytes, decoded)) {
            body = std::string();
            return false;
        }
        body.swap(decoded);
    }
    return true;
}

}  // namespace net
