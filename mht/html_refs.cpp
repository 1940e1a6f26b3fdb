#include "mht/html_refs.h"

#include <utility>

#include "mht/ascii_case.h"
#include "mht/content_type.h"
#include "mht/css_refs.h"
#include "mht/html_entities.h"
#include "mht/html_tokenizer.h"
#include "mht/url_resolve.h"

namespace mht {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// rel values for a page's icons: "icon", "shortcut icon", "apple-touch-icon", "mask-icon"...
bool IsIconRel(std::string_view token) {
    return token.find("icon") != std::string_view::npos || token == "apple-touch-startup-image";
}

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

// Whether a <script> of that type runs, and so is fetched: no type, a JavaScript type (its
// parameters aside) or a module. Other types hold data that browsers do not run.
bool IsRunScript(const HtmlStartTag& tag) {
    const HtmlAttribute* type = tag.Find("type");
    std::string t;
    if (type != nullptr && !type->value.empty()) {
        t = Lower(type->value);
    } else if (const HtmlAttribute* language = tag.Find("language");
               language != nullptr && !language->value.empty()) {
        t = "text/" + Lower(language->value);
    } else {
        return true;
    }
    size_t end = t.find(';');
    if (end != std::string::npos) t.resize(end);
    while (!t.empty() && IsBlank(t.back())) t.pop_back();
    size_t start = 0;
    while (start < t.size() && IsBlank(t[start])) ++start;
    std::string_view essence = std::string_view(t).substr(start);
    static const std::string_view kJavaScriptTypes[] = {"application/ecmascript",
                                                        "application/javascript",
                                                        "application/x-ecmascript",
                                                        "application/x-javascript",
                                                        "text/ecmascript",
                                                        "text/javascript",
                                                        "text/javascript1.0",
                                                        "text/javascript1.1",
                                                        "text/javascript1.2",
                                                        "text/javascript1.3",
                                                        "text/javascript1.4",
                                                        "text/javascript1.5",
                                                        "text/jscript",
                                                        "text/livescript",
                                                        "text/x-ecmascript",
                                                        "text/x-javascript",
                                                        "module"};
    for (std::string_view js : kJavaScriptTypes) {
        if (essence == js) return true;
    }
    return false;
}

class HtmlScanner : public HtmlTokenSink {
public:
    HtmlScanner(std::string_view html, int srcdocDepth) : html_(html), srcdocDepth_(srcdocDepth) {}

    HtmlScan Scan() {
        TokenizeHtml(html_, *this);
        result_.refs = refs_.Take();
        return std::move(result_);
    }

    void OnStartTag(const HtmlStartTag& tag) override {
        tag_ = &tag;
        HandleStartTag(tag);
        tag_ = nullptr;
    }

    void OnElementText(const HtmlStartTag& element, std::string_view text) override {
        const std::string_view name = element.name;
        if (name == "style") AddCss(text);
        if (name == "title" && element.ns == HtmlNamespace::kHtml && !seenTitle_) {
            seenTitle_ = true;
            result_.title = CollapseBlanks(text);
        }
    }

    void OnDoctype(size_t end) override {
        if (!seenHead_ && !seenHtml_ && !seenDoctype_) {
            seenDoctype_ = true;
            result_.metaInsertPos = end;
        }
    }

private:
    // The first of repeated attributes counts, as in HTML: its value, references decoded.
    const std::string* Find(std::string_view name) const {
        const HtmlAttribute* a = tag_->Find(name);
        return a ? &a->value : nullptr;
    }

    // An attribute's value as the page writes it.
    std::string_view RawValue(const HtmlAttribute& a) const {
        return html_.substr(a.valueBegin, a.valueEnd - a.valueBegin);
    }

    // A URL attribute: read again from the page's bytes, since its references must become the
    // page's one encoding (see DecodeUrlEntities), not UTF-8 among other bytes.
    std::string Value(std::string_view name) const {
        const HtmlAttribute* a = tag_->Find(name);
        return a ? CleanAttributeUrl(DecodeUrlEntities(RawValue(*a))) : std::string();
    }

    void AddUrl(RefKind kind, std::string_view attrName) {
        if (refs_.Full()) return;
        refs_.Add(kind, Value(attrName));
    }

    void AddSrcset(std::string_view attrName) {
        const HtmlAttribute* a = tag_->Find(attrName);
        if (a == nullptr || refs_.Full()) return;
        ForEachSrcsetCandidate(DecodeUrlEntities(RawValue(*a)), [this](std::string_view url) {
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
        HtmlScan inner = HtmlScanner(*Find("srcdoc"), srcdocDepth_ + 1).Scan();
        for (Reference& ref : inner.refs) refs_.Add(ref.kind, std::move(ref.url));
    }

    void HandleStartTag(const HtmlStartTag& tag) {
        const std::string_view name = tag.name;
        if (tag.ns != HtmlNamespace::kHtml) {
            HandleForeignTag(tag);
            return;
        }
        AddUrl(RefKind::kResource, "background");
        if (name == "img") {
            AddUrl(RefKind::kResource, "src");
            AddSrcset("srcset");
        } else if (name == "source") {
            // Only a <picture> chooses among sources; elsewhere a srcset is not read.
            if (tag.inPicture) AddSrcset("srcset");
        } else if (name == "link") {
            HandleLink();
        } else if (name == "script") {
            if (IsRunScript(tag)) AddUrl(RefKind::kResource, "src");
        } else if (name == "embed") {
            AddUrl(RefKind::kResource, "src");
        } else if (name == "input") {
            const std::string* type = Find("type");
            if (type && Lower(*type) == "image") AddUrl(RefKind::kResource, "src");
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
            if (!seenHead_) result_.metaInsertPos = tag.end;
            seenHead_ = true;
        } else if (name == "html") {
            if (!seenHead_ && !seenHtml_) result_.metaInsertPos = tag.end;
            seenHtml_ = true;
        }
        AddStyleAttribute();
    }

    // SVG and MathML elements: an HTML name there is not the HTML element (an <iframe> in SVG
    // loads nothing); SVG's <image> shows its picture, and any element's style may.
    void HandleForeignTag(const HtmlStartTag& tag) {
        if (tag.ns == HtmlNamespace::kSvg && tag.name == "image") {
            AddUrl(RefKind::kResource, "href");
            AddUrl(RefKind::kResource, "xlink:href");
        }
        AddStyleAttribute();
    }

    void AddStyleAttribute() {
        const std::string* style = Find("style");
        if (style && !refs_.Full()) AddCss(*style);
    }

    void HandleLink() {
        std::string rel = Lower(Find("rel") ? *Find("rel") : std::string());
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
        if (const std::string* cs = Find("charset")) {
            charset = Lower(CleanAttributeUrl(*cs));
        } else if (const std::string* equiv = Find("http-equiv")) {
            std::string e = Lower(CleanAttributeUrl(*equiv));
            const std::string* content = Find("content");
            if (e == "content-type" && content) charset = ExtractCharset(*content);
        }
        // As browsers do, a declaration naming no usable charset is passed over.
        if (IsCharsetName(charset)) result_.charset = charset;
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
    const HtmlStartTag* tag_ = nullptr;  // the tag being handled
    HtmlScan result_;
    ReferenceList refs_;
    bool seenHead_ = false, seenHtml_ = false, seenDoctype_ = false, seenTitle_ = false;
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
