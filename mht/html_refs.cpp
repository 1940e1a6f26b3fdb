#include "mht/html_refs.h"

#include <utility>

#include "mht/ascii_case.h"
#include "mht/content_type.h"
#include "mht/css_refs.h"
#include "mht/html_entities.h"
#include "mht/lazy_images.h"
#include "mht/reference_list.h"
#include "mht/srcset.h"
#include "mht/url_resolve.h"

namespace mht {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
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
        if (name == "picture" && pictureDepth_ > 0) --pictureDepth_;
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

    void AddUrl(RefKind kind, std::string_view attrName,
                RefPriority priority = RefPriority::kShown) {
        if (refs_.Full()) return;
        refs_.Add(kind, Value(attrName), priority);
    }

    // Every candidate is fetched, the one a reader sees first (see ChooseSrcsetCandidate) with
    // `priority`, the others last.
    void AddSrcsetValue(const std::string& srcset, RefPriority priority) {
        if (refs_.Full()) return;
        refs_.Add(RefKind::kResource, ChooseSrcsetCandidate(srcset), priority);
        ForEachSrcsetCandidate(srcset, [this](std::string_view url, std::string_view) {
            refs_.Add(RefKind::kResource, std::string(url), RefPriority::kOtherCandidate);
            return !refs_.Full();
        });
    }

    void AddSrcset(std::string_view attrName, RefPriority priority = RefPriority::kShown) {
        const std::string_view* v = Find(attrName);
        if (v == nullptr || refs_.Full()) return;
        AddSrcsetValue(DecodeUrlEntities(*v), priority);
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
        for (Reference& ref : inner.refs) refs_.Add(ref.kind, std::move(ref.url), ref.priority);
    }

    void ReadStartTag() {
        ++pos_;
        std::string name = ReadTagName();
        tagNameEnd_ = pos_;
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
            HandleLazyImage(name);
        } else if (name == "source") {
            // Outside <picture> a <source> is media, whose bodies stay out of archives.
            if (pictureDepth_ > 0) {
                AddSrcset("srcset");
                HandleLazyImage(name);
            }
        } else if (name == "use") {
            HandleSvgUse();
        } else if (name == "image") {  // SVG's, or HTML's old spelling of <img>
            AddUrl(RefKind::kResource, "href");
            AddUrl(RefKind::kResource, "xlink:href");
            AddUrl(RefKind::kResource, "src");
        } else if (name == "link") {
            HandleLink();
        } else if (name == "script") {
            AddUrl(RefKind::kResource, "src", RefPriority::kSupporting);
        } else if (name == "embed") {
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
        } else if (name == "iframe") {
            AddUrl(RefKind::kFrame, "src");
            HandleLazyImage(name);
        } else if (name == "frame") {
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
        } else if (name == "picture") {
            if (!selfClosing) ++pictureDepth_;
        }
        const std::string_view* style = Find("style");
        if (style && !refs_.Full()) AddCss(DecodeHtmlEntities(*style));
    }

    void HandleLink() {
        std::string rel = DecodeHtmlEntities(Find("rel") ? *Find("rel") : std::string_view());
        for (char& c : rel) c = ToLower(c);
        bool stylesheet = false, icon = false, preload = false, modulepreload = false;
        size_t i = 0;
        while (i < rel.size()) {
            while (i < rel.size() && IsBlank(rel[i])) ++i;
            size_t end = i;
            while (end < rel.size() && !IsBlank(rel[end])) ++end;
            std::string_view token = std::string_view(rel).substr(i, end - i);
            stylesheet = stylesheet || token == "stylesheet";
            icon = icon || (!token.empty() && IsIconRel(token));
            preload = preload || token == "preload";
            modulepreload = modulepreload || token == "modulepreload";
            i = end;
        }
        if (stylesheet) {
            AddUrl(RefKind::kStylesheet, "href");
        } else if (icon) {
            AddUrl(RefKind::kResource, "href");
        } else if (preload) {
            HandlePreload();
        } else if (modulepreload) {
            AddUrl(RefKind::kResource, "href", RefPriority::kSupporting);
        }
        // rel=prefetch is for pages a reader may open next: nothing of this one.
    }

    // A preload is fetched as what its `as` says it is; browsers fetch none without one, and
    // audio and video bodies stay out of archives.
    void HandlePreload() {
        std::string as = Lower(CleanAttributeUrl(Value("as")));
        if (as == "style") {
            AddUrl(RefKind::kStylesheet, "href");
            // Pages load a sheet late by preloading it and switching the link to a style sheet
            // once it has arrived: the archived page applies it as that page did.
            std::string onload = Lower(Find("onload") ? *Find("onload") : std::string_view());
            if (onload.find("rel") != std::string::npos &&
                onload.find("stylesheet") != std::string::npos) {
                std::string href = Value("href");
                if (!href.empty()) AddEdit("rel", "stylesheet", {href});
            }
        } else if (as == "image") {
            AddUrl(RefKind::kResource, "href", RefPriority::kSupporting);
            AddSrcset("imagesrcset", RefPriority::kSupporting);
        } else if (as == "font" || as == "script" || as == "fetch" || as == "track" ||
                   as == "worker" || as == "sharedworker") {
            AddUrl(RefKind::kResource, "href", RefPriority::kSupporting);
        }
    }

    // SVG's <use> of a symbol in another file (an icon sprite); a bare "#id" is in the page.
    void HandleSvgUse() {
        for (std::string_view attr : {"href", "xlink:href"}) {
            std::string url = Value(attr);
            if (!url.empty() && url[0] != '#') refs_.Add(RefKind::kResource, url,
                                                         RefPriority::kSupporting);
        }
    }

    // The URLs a page's lazy-loading script would show, fetched like any image; where the
    // element itself shows nothing (see IsPlaceholderSrc), the archived page shows them.
    void HandleLazyImage(const std::string& element) {
        const Attribute* lazySrc = nullptr;
        const Attribute* lazySrcset = nullptr;
        for (const Attribute& a : attrs_) {
            LazyAttribute kind = LazyAttributeKind(element, a.name);
            // A <source> takes a srcset only; one URL is a srcset of one candidate.
            if (kind == LazyAttribute::kSrc && element == "source") kind = LazyAttribute::kSrcset;
            if (kind == LazyAttribute::kNone || !IsFirstOfName(a)) continue;
            const Attribute*& best = kind == LazyAttribute::kSrc ? lazySrc : lazySrcset;
            if (!best || LazyAttributeRank(a.name) < LazyAttributeRank(best->name)) best = &a;
            RefKind refKind = element == "iframe" ? RefKind::kFrame : RefKind::kResource;
            if (kind == LazyAttribute::kSrc) {
                AddUrl(refKind, a.name);
            } else if (refKind == RefKind::kResource) {
                AddSrcset(a.name);
            }
        }
        if (element == "source") {
            if (lazySrcset && ShowsNothing("srcset")) EditSrcset(*lazySrcset);
            return;
        }
        if (lazySrc && ShowsNothing("src")) {
            std::string url = Value(lazySrc->name);
            if (!url.empty() && url != Value("src")) AddEdit("src", url, {url});
        }
        if (lazySrcset && element == "img" && ShowsNothing("srcset")) {
            EditSrcset(*lazySrcset);
            // Without a lazy src as well, src shows the candidate the srcset's reader would.
            if (!lazySrc && ShowsNothing("src")) {
                std::string chosen = ChooseSrcsetCandidate(DecodeUrlEntities(lazySrcset->value));
                if (!chosen.empty()) AddEdit("src", chosen, {chosen});
            }
        }
    }

    bool IsFirstOfName(const Attribute& attr) const { return Find(attr.name) == &attr.value; }

    // True when the element's own attribute (src or srcset) is absent or shows nothing.
    bool ShowsNothing(std::string_view attrName) const {
        const std::string_view* v = Find(attrName);
        return v == nullptr || IsPlaceholderSrc(CleanAttributeUrl(DecodeUrlEntities(*v)));
    }

    // A srcset is shown only when every one of its candidates is in the archive: the reader
    // picks among them by its own screen.
    void EditSrcset(const Attribute& lazy) {
        std::string srcset = DecodeUrlEntities(lazy.value);
        if (srcset.size() > kMaxReferenceBytes) return;
        std::vector<std::string> needs = SplitSrcset(srcset);
        if (!needs.empty()) AddEdit("srcset", srcset, std::move(needs));
    }

    void AddEdit(std::string_view attrName, std::string_view value,
                 std::vector<std::string> needs) {
        if (result_.edits.size() >= kMaxDocumentRefs) return;
        PageEdit edit;
        edit.pos = tagNameEnd_;
        edit.text = " " + std::string(attrName) + "=\"";
        for (char c : value) {
            if (c == '&')
                edit.text += "&amp;";
            else if (c == '"')
                edit.text += "&quot;";
            else
                edit.text += c;
        }
        edit.text += '"';
        edit.needs = std::move(needs);
        result_.edits.push_back(std::move(edit));
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
    int pictureDepth_ = 0;
    size_t tagNameEnd_ = 0;  // of the start tag being handled
};

}  // namespace

HtmlScan ScanHtml(std::string_view html) {
    return HtmlScanner(html, 0).Scan();
}

}  // namespace mht
