#include "mht/html_refs.h"

#include <utility>

#include "mht/content_type.h"
#include "mht/css_refs.h"
#include "mht/html_entities.h"
#include "mht/html_tokenizer.h"
#include "mht/lazy_images.h"
#include "mht/reference_list.h"
#include "mht/srcset.h"
#include "url/ascii.h"
#include "url/url_resolve.h"

namespace mht {

using ascii::Lower;
using url::CleanAttributeUrl;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// rel values for a page's icons: "icon", "shortcut icon", "apple-touch-icon", "mask-icon"...
bool IsIconRel(std::string_view token) {
    return token.find("icon") != std::string_view::npos || token == "apple-touch-startup-image";
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
        const HtmlAttribute* a = tag_->Find(attrName);
        if (a == nullptr || refs_.Full()) return;
        AddSrcsetValue(DecodeUrlEntities(RawValue(*a)), priority);
    }

    void AddCss(std::string_view css) {
        if (!refs_.Full()) FindCssRefs(css, refs_);
    }

    // A srcdoc frame's markup stays in the page; what it refers to is the page's to archive,
    // resolved against the page's base as the frame's document is.
    void AddSrcdoc() {
        if (srcdocDepth_ >= kMaxSrcdocDepth || refs_.Full()) return;
        HtmlScan inner = HtmlScanner(*Find("srcdoc"), srcdocDepth_ + 1).Scan();
        for (Reference& ref : inner.refs) refs_.Add(ref.kind, std::move(ref.url), ref.priority);
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
            HandleLazyImage(name);
        } else if (name == "source") {
            // Only a <picture> chooses among sources; elsewhere a <source> is media, whose
            // bodies stay out of archives.
            if (tag.inPicture) {
                AddSrcset("srcset");
                HandleLazyImage(name);
            }
        } else if (name == "link") {
            HandleLink();
        } else if (name == "script") {
            if (IsRunScript(tag)) AddUrl(RefKind::kResource, "src", RefPriority::kSupporting);
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
        } else if (tag.ns == HtmlNamespace::kSvg && tag.name == "use") {
            HandleSvgUse();
        }
        AddStyleAttribute();
    }

    void AddStyleAttribute() {
        const std::string* style = Find("style");
        if (style && !refs_.Full()) AddCss(*style);
    }

    void HandleLink() {
        std::string rel = Lower(Find("rel") ? *Find("rel") : std::string());
        bool stylesheet = false, icon = false, preload = false, modulepreload = false,
             manifest = false;
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
            // Browsers fetch a manifest and an OpenSearch description for every page.
            manifest = manifest || token == "manifest" || token == "search";
            i = end;
        }
        if (stylesheet) {
            AddUrl(RefKind::kStylesheet, "href");
        } else if (icon) {
            AddUrl(RefKind::kResource, "href");
        } else if (preload) {
            HandlePreload();
        } else if (modulepreload || manifest) {
            AddUrl(RefKind::kResource, "href", RefPriority::kSupporting);
        }
        // rel=prefetch is for pages a reader may open next: nothing of this one.
    }

    // A preload is fetched as what its `as` says it is; browsers fetch none without one, and
    // audio and video bodies stay out of archives.
    void HandlePreload() {
        std::string as = Lower(CleanAttributeUrl(Find("as") ? *Find("as") : std::string()));
        if (as == "style") {
            AddUrl(RefKind::kStylesheet, "href");
            // Pages load a sheet late by preloading it and switching the link to a style sheet
            // once it has arrived: the archived page applies it as that page did.
            std::string onload = Lower(Find("onload") ? *Find("onload") : std::string());
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
            if (!url.empty() && url[0] != '#')
                refs_.Add(RefKind::kResource, url, RefPriority::kSupporting);
        }
    }

    // The URLs a page's lazy-loading script would show, fetched like any image; where the
    // element itself shows nothing (see IsPlaceholderSrc), the archived page shows them. Of a
    // lazy srcset only the candidate a reader sees is fetched (see ChooseSrcsetCandidate): the
    // others are what the page's script might pick for another screen, and a page of lazy
    // images would cost several times the fetches for nothing shown.
    void HandleLazyImage(std::string_view element) {
        const HtmlAttribute* lazySrc = nullptr;
        const HtmlAttribute* lazySrcset = nullptr;
        for (const HtmlAttribute& a : tag_->attributes) {
            LazyAttribute kind = LazyAttributeKind(element, a.name);
            // A <source> takes a srcset only; one URL is a srcset of one candidate.
            if (kind == LazyAttribute::kSrc && element == "source") kind = LazyAttribute::kSrcset;
            if (kind == LazyAttribute::kNone) continue;
            // Empty ones (data-anim-src="") hold nothing to show.
            std::string url = kind == LazyAttribute::kSrc ? Value(a.name) : ChosenCandidate(a);
            if (url.empty() || (kind == LazyAttribute::kSrcset && element == "iframe")) continue;
            const HtmlAttribute*& best = kind == LazyAttribute::kSrc ? lazySrc : lazySrcset;
            if (!best || LazyAttributeRank(a.name) < LazyAttributeRank(best->name)) best = &a;
            if (!refs_.Full()) {
                refs_.Add(element == "iframe" ? RefKind::kFrame : RefKind::kResource,
                          std::move(url));
            }
        }
        std::string shown = lazySrc      ? Value(lazySrc->name)
                            : lazySrcset ? ChosenCandidate(*lazySrcset)
                                         : std::string();
        if (shown.empty()) return;
        if (element == "source") {
            if (ShowsNothing("srcset")) AddEdit("srcset", shown, {shown});
            return;
        }
        if (!ShowsNothing("src") || shown == Value("src")) return;
        // An image's srcset goes before its src: a placeholder there would still be shown.
        if (element == "img" && tag_->Find("srcset") != nullptr) {
            if (!ShowsNothing("srcset")) return;
            AddEdit("srcset", shown, {shown});
        }
        AddEdit("src", shown, {shown});
    }

    std::string ChosenCandidate(const HtmlAttribute& srcset) const {
        return ChooseSrcsetCandidate(DecodeUrlEntities(RawValue(srcset)));
    }

    // True when the element's own attribute (src or srcset) is absent or shows nothing.
    bool ShowsNothing(std::string_view attrName) const {
        return tag_->Find(attrName) == nullptr || IsPlaceholderSrc(Value(attrName));
    }

    void AddEdit(std::string_view attrName, std::string_view value,
                 std::vector<std::string> needs) {
        if (result_.edits.size() >= kMaxDocumentRefs) return;
        PageEdit edit;
        edit.pos = tag_->nameEnd;
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

HtmlScan ScanHtml(std::string_view html) {
    return HtmlScanner(html, 0).Scan();
}

}  // namespace mht
