#pragma once
// Reads a page's markup as a browser's HTML parser does, as far as it decides which elements
// exist and what their attributes say: the tokenizer in full (comments, character references,
// raw text, script text with its escapes, <plaintext>, CDATA) and the few tree rules that
// decide whether a browser fetches for an element at all (SVG and MathML content and the tags
// that leave it, <template> contents, <image> as <img>). One pass over the bytes, no DOM.
//
// The bytes stay in the page's charset: only character references become UTF-8, and a NUL
// becomes U+FFFD, as a browser reads them.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mht {

struct HtmlAttribute {
    std::string name;   // ASCII lower case
    std::string value;  // character references decoded, NUL -> U+FFFD
    // The raw value bytes in the source, quotes excluded; both at the name's end when the
    // attribute has no value.
    size_t valueBegin = 0, valueEnd = 0;
};

enum class HtmlNamespace { kHtml, kSvg, kMathMl };

struct HtmlStartTag {
    std::string name;  // lower case; <image> in HTML content arrives as "img"
    HtmlNamespace ns = HtmlNamespace::kHtml;
    std::vector<HtmlAttribute> attributes;  // the first of a repeated name only
    bool selfClosing = false;
    bool inPicture = false;                  // the parent element is an HTML <picture>
    size_t begin = 0, nameEnd = 0, end = 0;  // at '<', just past the name, just past '>'

    // The first attribute of that (lower-case) name, or null.
    const HtmlAttribute* Find(std::string_view attributeName) const;
};

class HtmlTokenSink {
public:
    virtual ~HtmlTokenSink() = default;
    // Only elements a browser creates in the document and may fetch for: not those inside
    // <template>, nor tags after <plaintext>, which are text.
    virtual void OnStartTag(const HtmlStartTag& tag) = 0;
    virtual void OnEndTag(std::string_view /*name*/, HtmlNamespace /*ns*/) {}
    // The text of an element whose text means something to an archive: the raw bytes of an
    // HTML <style> or <title> (raw text, references left in), and the text of an SVG <style>
    // (references decoded, comments left out), which browsers also read as CSS.
    virtual void OnElementText(const HtmlStartTag& /*element*/, std::string_view /*text*/) {}
    // A DOCTYPE, which ends just before `end`.
    virtual void OnDoctype(size_t /*end*/) {}
};

// Reads the page from its start, as a document.
void TokenizeHtml(std::string_view html, HtmlTokenSink& sink);

// The tokenizer alone, without the tree rules: it starts in the given state, reports every
// start and end tag as written (all in the HTML namespace, none renamed) and never changes
// state on a tag by itself, as a parser's tokenizer does when driven by no tree builder.
// `lastStartTag` is the name an end tag must have to close raw text.
enum class HtmlTokenizerState { kData, kRcdata, kRawtext, kScriptData, kPlaintext, kCdataSection };
void TokenizeHtmlTokens(std::string_view html, HtmlTokenizerState initial,
                        std::string_view lastStartTag, HtmlTokenSink& sink);

}  // namespace mht
