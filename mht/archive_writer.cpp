#include "mht/archive_writer.h"

#include <algorithm>
#include <cstdio>

#include "mht/content_type.h"
#include "mht/mime_encode.h"

namespace mht {
namespace {

// Header text comes from servers and pages: a line break in one would forge headers.
std::string WithoutControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    }
    return out;
}

// A header value written as it is: ASCII only, since a MIME header holds no other byte (the
// title, which may hold others, goes through an encoded word instead).
std::string HeaderValue(std::string_view text) {
    std::string out = WithoutControls(text);
    out.erase(std::remove_if(out.begin(), out.end(),
                             [](char c) { return static_cast<unsigned char>(c) >= 0x80; }),
              out.end());
    return out;
}

unsigned Fnv1a(std::string_view text, unsigned hash) {
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

struct EncodedPart {
    std::string headers;
    std::string body;
};

EncodedPart EncodePart(ArchivePart& part) {
    std::string type = HeaderValue(part.contentType);
    if (MediaType(type).empty()) type = "application/octet-stream";
    bool text = IsTextLikeType(type);
    EncodedPart encoded;
    encoded.headers = "Content-Type: " + type +
                      "\r\nContent-Transfer-Encoding: " + (text ? "quoted-printable" : "base64") +
                      "\r\nContent-Location: " + HeaderValue(part.url) + "\r\n\r\n";
    encoded.body = text ? EncodeQuotedPrintable(part.body) : EncodeBase64(part.body);
    std::string().swap(part.body);
    return encoded;
}

}  // namespace

std::string BoundaryCandidate(unsigned seed, unsigned attempt) {
    char text[64];
    std::snprintf(text, sizeof text, "----=_NextPart_Brindlow_%08X_%u", seed, attempt);
    return text;
}

std::string ChooseBoundary(const std::vector<std::string_view>& texts, unsigned seed) {
    for (unsigned attempt = 0;; ++attempt) {
        std::string candidate = BoundaryCandidate(seed, attempt);
        bool clash = false;
        for (std::string_view text : texts) {
            if (text.find(candidate) != std::string_view::npos) {
                clash = true;
                break;
            }
        }
        if (!clash) return candidate;
    }
}

void WriteArchive(const ArchiveHeader& header, std::vector<ArchivePart> parts,
                  const ArchiveSink& sink) {
    std::vector<EncodedPart> encoded;
    encoded.reserve(parts.size());
    for (ArchivePart& part : parts) encoded.push_back(EncodePart(part));

    std::string subjectLabel = "Subject: ";
    std::string envelope =
        "From: <Saved by Brindlow>\r\nSnapshot-Content-Location: " + HeaderValue(header.pageUrl) +
        "\r\n" + subjectLabel +
        EncodeHeaderText(WithoutControls(header.title), header.titleCharset, subjectLabel.size()) +
        "\r\nDate: " + HeaderValue(header.date) + "\r\nMIME-Version: 1.0\r\n";

    std::vector<std::string_view> texts{envelope};
    for (const EncodedPart& part : encoded) {
        texts.push_back(part.headers);
        texts.push_back(part.body);
    }
    std::string boundary =
        ChooseBoundary(texts, Fnv1a(header.date, Fnv1a(header.pageUrl, 2166136261u)));

    sink(envelope);
    sink("Content-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n\tboundary=\"" + boundary +
         "\"\r\n\r\n");
    std::string delimiter = "--" + boundary + "\r\n";
    for (EncodedPart& part : encoded) {
        sink(delimiter);
        sink(part.headers);
        sink(part.body);
        sink("\r\n");
        std::string().swap(part.body);
    }
    sink("--" + boundary + "--\r\n");
}

std::string ArchiveText(const ArchiveHeader& header, std::vector<ArchivePart> parts) {
    std::string text;
    WriteArchive(header, std::move(parts), [&text](std::string_view piece) { text.append(piece); });
    return text;
}

}  // namespace mht
