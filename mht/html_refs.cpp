#include "mht/html_refs.h"

#include <utility>

#include "mht/content_type.h"
#include "mht/css_refs.h"
#include "mht/html_entities.h"
#include "url/ascii.h"
#include "url/url_resolve.h"

namespace mht {
namespace {

using ascii::ToLower;
using url::CleanAttributeUrl;

// HTML's white space.
constexpr auto IsBlank = ascii::IsHtmlSpace;
bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsWithNoCase(std::string_view s, size_t pos, std::string_view lowerWord) {
    if (s.size() - pos < lowerWord.size()) return false;
    for (size_t i = 0; i < lowerWord.size(); ++i) {
        if (ToLower(s[pos + i]) != lowerWord[i]) return false;
    }
    return true;
}

// Elements whose content is text up to their end tag: no tags are seen inside them.
bool IsRawTextElement(std::string_view name) {
    return name == "script" || name == "style" || name == "title" || name == "textarea" ||
           name == "xmp" || name == "iframe" || name == "noembed" || name == "noframes";
}

// rel values for a page's icons: "icon", "shortcut icon", "apple-touch-icon", "mask-icon"...
bool IsIconRel(std::string_view token) {
    return token.find("icon") != std::string_view::npos || token == "apple-touch-startup-image";
}

// A tag may hold any number of attributes; the first ones are those that count (the first of
// repeated names wins), and real tags hold a few dozen at most.
constexpr size_t kMaxAttributes = 1000;

struct Attribute {
    std::string name;  // lower case
    std::string_view value;
};

// The candidate grammar of srcset: a URL (which may hold commas, but not end with one) and
// descriptors up to a comma outside parentheses.
template <class Visit>
void ForEachSrcsetCandidate(std::string_view s, Visit visit) {
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (IsBlank(s[i]) || s[i] == ',')) ++i;
        if (i >= s.size()) break;
        size_t start = i;
        while (i < s.size() && !IsBlank(s[i])) ++i;
        std::string_view url = s.substr(start, i - start);
        bool endedWithComma = false;
        while (!url.empty() && url.back() == ',') {
            url.remove_suffix(1);
            endedWithComma = true;
        }
        if (!endedWithComma) {
            int depth = 0;
            while (i < s.size() && !(s[i] == ',' && depth == 0)) {
                if (s[i] == '(') ++depth;
                if (s[i] == ')' && depth > 0) --depth;
                ++i;
            }
        }
        if (!url.empty() && !visit(url)) return;
    }
}

class HtmlScanner {
public:
    HtmlScanner(std::string_view html, int srcdocDepth) : html_(html), srcdocDepth_(srcdocDepth) {}

    HtmlScan Scan() {
        while (true) {
            size_t lt = html_.find('<', pos_);
            if (lt == std::string_view::npos || lt + 1 >= html_.size()) break;
            pos_ = lt;
            char next = html_[lt + 1];
            if (html_.compare(lt, 4, "<!--") == 0) {
                SkipPast("-->", lt + 2);
            } else if (next == '!' || next == '?') {
                bool doctype = StartsWithNoCase(html_, lt + 2, "doctype");
                SkipPast(">", lt + 2);
                bool closed = html_[pos_ - 1] == '>';
                if (doctype && closed && !seenHead_ && !seenHtml_ && !seenDoctype_) {
                    seenDoctype_ = true;
                    result_.metaInsertPos = pos_;
                }
            } else if (next == '/') {
                ReadEndTag();
            } else if (IsAlpha(next)) {
                ReadStartTag();
            } else {
                ++pos_;
            }
        }
        result_.refs = refs_.Take();
        return std::move(result_);
    }

private:
    void SkipPast(std::string_view marker, size_t from) {
        size_t end = html_.find(marker, from);
        pos_ = end == std::string_view::npos ? html_.size() : end + marker.size();
    }

    std::string ReadTagName() {
        std::string name;
        while (pos_ < html_.size() && !IsBlank(html_[pos_]) && html_[pos_] != '/' &&
               html_[pos_] != '>') {
            name += ToLower(html_[pos_++]);
        }
        return name;
    }

    void ReadEndTag() {
        pos_ += 2;
        std::string name = ReadTagName();
        if (name == "svg" && svgDepth_ > 0) --svgDepth_;
        SkipPast(">", pos_);
    }

    // Reads the attributes up to the end of the tag; returns true if it ends with "/>".
    // False in `closed` when the page ends inside the tag.
    bool ReadAttributes(bool* closed) {
        attrs_.clear();
        bool selfClosing = false;
        *closed = false;
        while (pos_ < html_.size()) {
            char c = html_[pos_];
            if (c == '>') {
                ++pos_;
                *closed = true;
                return selfClosing;
            }
            if (IsBlank(c) || c == '/') {
                selfClosing = c == '/';
                ++pos_;
                continue;
            }
            selfClosing = false;
            Attribute attr;
            do {
                attr.name += ToLower(html_[pos_++]);
            } while (pos_ < html_.size() && !IsBlank(html_[pos_]) && html_[pos_] != '/' &&
                     html_[pos_] != '>' && html_[pos_] != '=');
            while (pos_ < html_.size() && IsBlank(html_[pos_])) ++pos_;
            if (pos_ < html_.size() && html_[pos_] == '=') {
                ++pos_;
                while (pos_ < html_.size() && IsBlank(html_[pos_])) ++pos_;
                attr.value = ReadAttributeValue();
            }
            if (attrs_.size() < kMaxAttributes) attrs_.push_back(std::move(attr));
        }
        return false;
    }

    std::string_view ReadAttributeValue() {
        if (pos_ >= html_.size()) return {};
        char quote = html_[pos_];
        if (quote == '"' || quote == '\'') {
            size_t end = html_.find(quote, pos_ + 1);
            if (end == std::string_view::npos) end = html_.size();
            std::string_view value = html_.substr(pos_ + 1, end - pos_ - 1);
            pos_ = end < html_.size() ? end + 1 : end;
            return value;
        }
        size_t start = pos_;
        while (pos_ < html_.size() && !IsBlank(html_[pos_]) && html_[pos_] != '>') ++pos_;
        return html_.substr(start, pos_ - start);
    }

    // The first of repeated attributes counts, as in HTML.
    const std::string_view* Find(std::string_view name) const {
        for (const Attribute& a : attrs_) {
            if (a.name == name) return &a.value;
        }
        return nullptr;
    }

    std::string Value(std::string_view name) const {
        const std::string_view* v = Find(name);
        return v ? CleanAttributeUrl(DecodeUrlEntities(*v)) : std::string();
    }

    void AddUrl(RefKind kind, std::string_view attrName) {
        if (refs_.Full()) return;
        refs_.Add(kind, Value(attrName));
    }

    void AddSrcset(std::string_view attrName) {
        const std::string_view* v = Find(attrName);
        if (v == nullptr || refs_.Full()) return;
        ForEachSrcsetCandidate(DecodeUrlEntities(*v), [this](std::string_view url) {
            refs_.Add(RefKind::kResource, std::string(url));
            return !refs_.Full();
        });
    }

    void AddCss(std::string_view css) {
        if (!refs_.Full()) FindCssRefs(css, refs_);
    }

    // A srcdoc frame's markup stays in the page; what it refers to is the page's to archive,
    // resolved against the page's base as the frame's document is.
    void AddSrcdoc() {
        if (srcdocDepth_ >= kMaxSrcdocDepth || refs_.Full()) return;
        std::string markup = DecodeHtmlEntities(*Find("srcdoc"));
        HtmlScan inner = HtmlScanner(markup, srcdocDepth_ + 1).Scan();
        for (Reference& ref : inner.refs) refs_.Add(ref.kind, std::move(ref.url));
    }

    void ReadStartTag() {
        ++pos_;
        std::string name = ReadTagName();
        bool closed = false;
        bool selfClosing = ReadAttributes(&closed);
        // Browsers drop a tag the page ends in; a <meta> added after it would be swallowed.
        if (!closed) return;
        HandleStartTag(name, selfClosing);
        if (IsRawTextElement(name)) ReadRawText(name);
    }

    void HandleStartTag(const std::string& name, bool selfClosing) {
        AddUrl(RefKind::kResource, "background");
        if (name == "img") {
            AddUrl(RefKind::kResource, "src");
            AddSrcset("srcset");
        } else if (name == "source") {
            AddSrcset("srcset");
        } else if (name == "image") {  // SVG's, or HTML's old spelling of <img>
            AddUrl(RefKind::kResource, "href");
            AddUrl(RefKind::kResource, "xlink:href");
            AddUrl(RefKind::kResource, "src");
        } else if (name == "link") {
            HandleLink();
        } else if (name == "script" || name == "embed") {
            AddUrl(RefKind::kResource, "src");
        } else if (name == "input") {
            std::string type = Value("type");
            for (char& c : type) c = ToLower(c);
            if (type == "image") AddUrl(RefKind::kResource, "src");
        } else if (name == "video") {
            AddUrl(RefKind::kResource, "poster");
        } else if (name == "object") {
            AddUrl(RefKind::kResource, "data");
        } else if (name == "iframe" && Find("srcdoc") != nullptr) {
            AddSrcdoc();  // its src is not loaded
        } else if (name == "iframe" || name == "frame") {
            AddUrl(RefKind::kFrame, "src");
        } else if (name == "base") {
            if (!result_.hasBase && Find("href") != nullptr) {
                result_.hasBase = true;
                result_.baseHref = Value("href");
            }
        } else if (name == "meta") {
            HandleMeta();
        } else if (name == "head") {
            if (!seenHead_) result_.metaInsertPos = pos_;
            seenHead_ = true;
        } else if (name == "html") {
            if (!seenHead_ && !seenHtml_) result_.metaInsertPos = pos_;
            seenHtml_ = true;
        } else if (name == "svg") {
            if (!selfClosing) ++svgDepth_;
        }
        const std::string_view* style = Find("style");
        if (style && !refs_.Full()) AddCss(DecodeHtmlEntities(*style));
    }

    void HandleLink() {
        std::string rel = DecodeHtmlEntities(Find("rel") ? *Find("rel") : std::string_view());
        for (char& c : rel) c = ToLower(c);
        bool stylesheet = false, icon = false;
        size_t i = 0;
        while (i < rel.size()) {
            while (i < rel.size() && IsBlank(rel[i])) ++i;
            size_t end = i;
            while (end < rel.size() && !IsBlank(rel[end])) ++end;
            std::string_view token = std::string_view(rel).substr(i, end - i);
            stylesheet = stylesheet || token == "stylesheet";
            icon = icon || (!token.empty() && IsIconRel(token));
            i = end;
        }
        if (stylesheet) {
            AddUrl(RefKind::kStylesheet, "href");
        } else if (icon) {
            AddUrl(RefKind::kResource, "href");
        }
    }

    void HandleMeta() {
        if (!result_.charset.empty()) return;
        std::string charset;
        if (const std::string_view* cs = Find("charset")) {
            charset = CleanAttributeUrl(DecodeHtmlEntities(*cs));
            for (char& c : charset) c = ToLower(c);
        } else if (const std::string_view* equiv = Find("http-equiv")) {
            std::string e = CleanAttributeUrl(*equiv);
            for (char& c : e) c = ToLower(c);
            const std::string_view* content = Find("content");
            if (e == "content-type" && content)
                charset = ExtractCharset(DecodeHtmlEntities(*content));
        }
        // As browsers do, a declaration naming no usable charset is passed over.
        if (IsCharsetName(charset)) result_.charset = charset;
    }

    // Content of a raw-text element, up to "</name" followed by a blank, "/" or ">".
    void ReadRawText(const std::string& name) {
        size_t start = pos_;
        size_t end = pos_;
        while (true) {
            end = html_.find("</", end);
            if (end == std::string_view::npos) {
                end = html_.size();
                break;
            }
            size_t after = end + 2 + name.size();
            if (StartsWithNoCase(html_, end + 2, name) &&
                (after >= html_.size() || IsBlank(html_[after]) || html_[after] == '/' ||
                 html_[after] == '>')) {
                break;
            }
            end += 2;
        }
        std::string_view text = html_.substr(start, end - start);
        if (name == "style") AddCss(text);
        if (name == "title" && svgDepth_ == 0 && !seenTitle_) {
            seenTitle_ = true;
            result_.title = CollapseBlanks(text);
        }
        pos_ = end;
        if (end < html_.size()) SkipPast(">", end);
    }

    static std::string CollapseBlanks(std::string_view text) {
        std::string out;
        bool blank = false;
        for (char c : text) {
            if (IsBlank(c)) {
                blank = !out.empty();
            } else {
                if (blank) out += ' ';
                blank = false;
                out += c;
            }
        }
        return out;
    }

    // Frames nest in srcdoc frames only through ever longer entity escapes: a few levels are
    // plenty, and the bound keeps a crafted page from recursing deep.
    static constexpr int kMaxSrcdocDepth = 3;

    std::string_view html_;
    int srcdocDepth_;
    size_t pos_ = 0;
    HtmlScan result_;
    ReferenceList refs_;
    std::vector<Attribute> attrs_;
    bool seenHead_ = false, seenHtml_ = false, seenDoctype_ = false, seenTitle_ = false;
    int svgDepth_ = 0;
};

}  // namespace

std::vector<std::string> SplitSrcset(std::string_view s) {
    std::vector<std::string> urls;
    ForEachSrcsetCandidate(s, [&urls](std::string_view url) {
        urls.emplace_back(url);
        return true;
    });
    return urls;
}

HtmlScan ScanHtml(std::string_view html) {
    return HtmlScanner(html, 0).Scan();
}

}  // namespace mht
