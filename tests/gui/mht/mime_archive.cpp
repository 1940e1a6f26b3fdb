#include "tests/gui/mht/mime_archive.h"

#include <windows.h>

namespace mht_gui {

namespace {

const char kCrLf[] = "\r\n";

// Header lines up to the first empty line, folded lines joined; `pos` then points past it.
bool ReadHeaders(const std::string& text, size_t* pos, MimeHeaders* headers) {
    for (;;) {
        const size_t end = text.find(kCrLf, *pos);
        if (end == std::string::npos) return false;
        const std::string line = text.substr(*pos, end - *pos);
        *pos = end + 2;
        if (line.empty()) return true;
        if ((line[0] == ' ' || line[0] == '\t') && !headers->empty()) {
            headers->back().second += line;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) return false;
        const size_t value = line.find_first_not_of(" \t", colon + 1);
        headers->emplace_back(line.substr(0, colon),
                              value == std::string::npos ? "" : line.substr(value));
    }
}

// Every line break is CR LF: no lone CR, no lone LF.
bool OnlyCrLf(const std::string& bytes, std::string* error) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        const bool lf = bytes[i] == '\n';
        const bool cr = bytes[i] == '\r';
        if ((lf && (i == 0 || bytes[i - 1] != '\r')) ||
            (cr && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))) {
            *error = "a lone " + std::string(lf ? "LF" : "CR") + " at byte " + std::to_string(i);
            return false;
        }
    }
    return true;
}

}  // namespace

std::string HeaderValue(const MimeHeaders& headers, const std::string& name) {
    for (const auto& header : headers)
        if (::lstrcmpiA(header.first.c_str(), name.c_str()) == 0) return header.second;
    return std::string();
}

std::string Param(const std::string& value, const std::string& name) {
    size_t pos = value.find(';');
    while (pos != std::string::npos) {
        const size_t start = value.find_first_not_of(" \t\r\n", pos + 1);
        if (start == std::string::npos) break;
        const size_t equals = value.find('=', start);
        if (equals == std::string::npos) break;
        const std::string key = value.substr(start, equals - start);
        std::string found;
        size_t next;
        if (equals + 1 < value.size() && value[equals + 1] == '"') {
            const size_t close = value.find('"', equals + 2);
            found = value.substr(equals + 2, close - equals - 2);
            next = close == std::string::npos ? close : value.find(';', close);
        } else {
            next = value.find(';', equals);
            found = value.substr(equals + 1, next - equals - 1);
            found.erase(found.find_last_not_of(" \t") + 1);
        }
        if (::lstrcmpiA(key.c_str(), name.c_str()) == 0) return found;
        pos = next;
    }
    return std::string();
}

std::vector<std::string> MimeArchive::Locations() const {
    std::vector<std::string> locations;
    for (const MimePart& part : parts)
        locations.push_back(HeaderValue(part.headers, "Content-Location"));
    return locations;
}

bool ReadArchive(const std::string& bytes, MimeArchive* archive, std::string* error) {
    if (!OnlyCrLf(bytes, error)) return false;
    size_t pos = 0;
    if (!ReadHeaders(bytes, &pos, &archive->headers)) {
        *error = "the envelope's headers do not end in an empty line";
        return false;
    }
    archive->boundary = Param(HeaderValue(archive->headers, "Content-Type"), "boundary");
    if (archive->boundary.empty()) {
        *error = "the envelope names no boundary";
        return false;
    }
    // Delimiters stand at the start of a line; the preamble before the first may be empty.
    const std::string delimiter = "--" + archive->boundary;
    size_t start = bytes.compare(pos, delimiter.size(), delimiter) == 0
                       ? pos
                       : bytes.find(kCrLf + delimiter, pos);
    if (start == std::string::npos) {
        *error = "no delimiter line";
        return false;
    }
    if (start != pos) start += 2;
    for (;;) {
        const size_t after = start + delimiter.size();
        if (bytes.compare(after, 2, "--") == 0) return true;  // the close delimiter
        if (bytes.compare(after, 2, kCrLf) != 0) {
            *error = "a delimiter line with more after the boundary";
            return false;
        }
        size_t body = after + 2;
        MimePart part;
        if (!ReadHeaders(bytes, &body, &part.headers)) {
            *error = "a part's headers do not end in an empty line";
            return false;
        }
        const size_t next = bytes.find(kCrLf + delimiter, body);
        if (next == std::string::npos) {
            *error = "no close delimiter";
            return false;
        }
        part.body = bytes.substr(body, next - body);
        archive->parts.push_back(std::move(part));
        start = next + 2;
    }
}

}  // namespace mht_gui
