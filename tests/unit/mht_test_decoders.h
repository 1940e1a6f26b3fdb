#pragma once
// Decoders and a small MIME reader for checking archives in tests: written from RFC 2045 on
// their own, so that a fault in the encoders does not cancel out.

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace mht_test {

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // encoders must write upper-case hex
}

inline std::string DecodeQuotedPrintable(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
        } else if (text.compare(i, 3, "=\r\n") == 0) {
            i += 2;
        } else if (i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += "<BAD=>";
        }
    }
    return out;
}

inline std::string DecodeBase64(const std::string& text) {
    static const std::string kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned long bits = 0;
    int count = 0;
    for (char c : text) {
        size_t v = kAlphabet.find(c);
        if (v == std::string::npos) continue;  // line breaks and padding
        bits = (bits << 6) | v;
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

struct MimeEntity {
    std::map<std::string, std::string> headers;  // lower-case names, folded lines joined
    std::string rawBody;
    std::string Decoded() const {
        auto it = headers.find("content-transfer-encoding");
        std::string cte = it == headers.end() ? "" : it->second;
        if (cte == "quoted-printable") return DecodeQuotedPrintable(rawBody);
        if (cte == "base64") return DecodeBase64(rawBody);
        return rawBody;
    }
};

inline MimeEntity ParseEntity(const std::string& text) {
    MimeEntity entity;
    size_t split = text.find("\r\n\r\n");
    std::string head = text.substr(0, split);
    entity.rawBody = split == std::string::npos ? "" : text.substr(split + 4);
    std::string last;
    for (const std::string& line : SplitLines(head)) {
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t')) {
            entity.headers[last] += line;
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        last = line.substr(0, colon);
        for (char& c : last) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        size_t v = line.find_first_not_of(' ', colon + 1);
        entity.headers[last] = v == std::string::npos ? "" : line.substr(v);
    }
    return entity;
}

struct ParsedArchive {
    MimeEntity envelope;
    std::string boundary;
    std::vector<MimeEntity> parts;
    bool closed = false;  // ends with the closing delimiter
};

inline ParsedArchive ParseArchive(const std::string& text) {
    ParsedArchive archive;
    archive.envelope = ParseEntity(text);
    const std::string& type = archive.envelope.headers["content-type"];
    size_t b = type.find("boundary=\"");
    if (b == std::string::npos) return archive;
    archive.boundary = type.substr(b + 10, type.find('"', b + 10) - b - 10);
    std::string delimiter = "--" + archive.boundary;
    const std::string& body = archive.envelope.rawBody;
    size_t pos = body.find(delimiter);
    while (pos != std::string::npos) {
        size_t start = pos + delimiter.size();
        if (body.compare(start, 4, "--\r\n") == 0) {
            archive.closed = start + 4 == body.size();
            break;
        }
        size_t next = body.find("\r\n" + delimiter, start);
        if (next == std::string::npos) break;
        archive.parts.push_back(ParseEntity(body.substr(start + 2, next - start - 2)));
        pos = next + 2;
    }
    return archive;
}

}  // namespace mht_test
