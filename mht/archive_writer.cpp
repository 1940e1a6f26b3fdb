#include "mht/archive_writer.h"

#include <algorithm>
#include <cstdio>
#include <utility>

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

// A part's headers, and how its body is encoded.
struct PartHead {
    std::string headers;
    bool quotedPrintable = false;
};

PartHead HeadOf(const ArchivePart& part) {
    std::string type = HeaderValue(part.contentType);
    if (MediaType(type).empty()) type = "application/octet-stream";
    PartHead head;
    head.quotedPrintable = IsTextLikeType(type);
    head.headers = "Content-Type: " + type + "\r\nContent-Transfer-Encoding: " +
                   (head.quotedPrintable ? "quoted-printable" : "base64") +
                   "\r\nContent-Location: " + HeaderValue(part.url) + "\r\n\r\n";
    return head;
}

// Writes the archive; `announceSize`, when set, first receives its exact length.
void WriteArchiveSized(const ArchiveHeader& header, std::vector<ArchivePart> parts,
                       const ArchiveSink& sink, const std::function<void(size_t)>& announceSize) {
    std::vector<PartHead> heads;
    heads.reserve(parts.size());
    for (const ArchivePart& part : parts) heads.push_back(HeadOf(part));

    std::string subjectLabel = "Subject: ";
    std::string envelope =
        "From: <Saved by Brindlow>\r\nSnapshot-Content-Location: " + HeaderValue(header.pageUrl) +
        "\r\n" + subjectLabel +
        EncodeHeaderText(WithoutControls(header.title), header.titleCharset, subjectLabel.size()) +
        "\r\nDate: " + HeaderValue(header.date) + "\r\nMIME-Version: 1.0\r\n";

    // Encoded bodies cannot hold the boundary (see BoundaryCandidate): only the headers, which
    // come from servers and pages, are searched, and the bodies are encoded as they are written.
    std::vector<std::string_view> texts{envelope};
    for (const PartHead& head : heads) texts.push_back(head.headers);
    std::string boundary =
        ChooseBoundary(texts, Fnv1a(header.date, Fnv1a(header.pageUrl, 2166136261u)));

    std::string multipart =
        "Content-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n"
        "\tboundary=\"" +
        boundary + "\"\r\n\r\n";
    std::string delimiter = "--" + boundary + "\r\n";
    std::string closing = "--" + boundary + "--\r\n";
    if (announceSize) {
        size_t total = envelope.size() + multipart.size() + closing.size();
        for (size_t i = 0; i < parts.size(); ++i) {
            const std::string& body = parts[i].body;
            total += delimiter.size() + heads[i].headers.size() + 2 +
                     (heads[i].quotedPrintable ? QuotedPrintableLength(body)
                                               : Base64Length(body.size()));
        }
        announceSize(total);
    }

    sink(envelope);
    sink(multipart);
    for (size_t i = 0; i < parts.size(); ++i) {
        sink(delimiter);
        sink(heads[i].headers);
        if (heads[i].quotedPrintable)
            EncodeQuotedPrintable(parts[i].body, sink);
        else
            EncodeBase64(parts[i].body, sink);
        std::string().swap(parts[i].body);
        sink("\r\n");
    }
    sink(closing);
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

std::string ArchiveText(const ArchiveHeader& header, std::vector<ArchivePart> parts) {
    std::string text;
    // Reserved exactly: a text grown as it is written would hold up to twice its size.
    WriteArchiveSized(
        header, std::move(parts), [&text](std::string_view piece) { text.append(piece); },
        [&text](size_t size) { text.reserve(size); });
    return text;
}

}  // namespace mht
