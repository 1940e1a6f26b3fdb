#include "mht/html_tokenizer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "mht/html_entities.h"
#include "url/ascii.h"

namespace mht {

using ascii::Lower;
using ascii::ToLower;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool EndsTagName(char c) {
    return IsBlank(c) || c == '/' || c == '>';
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD, what a NUL becomes

// A tag may hold any number of attributes; the first ones are those that count (the first of
// repeated names wins), and real tags hold a few dozen at most.
constexpr size_t kMaxAttributes = 1000;
// Elements left open nest this deep at most here (as deep as browsers build a page's tree);
// past it the oldest half is forgotten, which at worst reads a little more of a hostile page as
// fetchable, never less.
constexpr size_t kMaxOpenElements = 512;

bool StartsWithNoCase(std::string_view s, size_t pos, std::string_view lowerWord) {
    if (pos > s.size() || s.size() - pos < lowerWord.size()) return false;
    for (size_t i = 0; i < lowerWord.size(); ++i) {
        if (ToLower(s[pos + i]) != lowerWord[i]) return false;
    }
    return true;
}

// Appends source bytes to a tag or attribute name: ASCII lower-cased, NUL as U+FFFD.
void AppendName(std::string& out, std::string_view bytes) {
    if (bytes.find('\0') == std::string_view::npos) {
        size_t from = out.size();
        out.append(bytes);
        for (size_t i = from; i < out.size(); ++i) out[i] = ToLower(out[i]);
        return;
    }
    for (char c : bytes) {
        if (c == '\0') {
            out += kReplacement;
        } else {
            out += ToLower(c);
        }
    }
}

// Appends text as the parser reads it: CR LF and a lone CR become LF, a NUL becomes U+FFFD
// and, where `references`, character references are decoded.
void AppendText(std::string& out, std::string_view s, bool references, bool inAttribute) {
    size_t i = 0;
    while (i < s.size()) {
        size_t run = i;
        while (run < s.size() && s[run] != '&' && s[run] != '\0' && s[run] != '\r') ++run;
        out.append(s.data() + i, run - i);
        if (run == s.size()) break;
        i = run;
        if (s[i] == '\0') {
            out += kReplacement;
            ++i;
        } else if (s[i] == '\r') {
            out += '\n';
            i += (i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
        } else {
            size_t used = references ? ReadCharacterReference(s, i, inAttribute, out) : 0;
            if (used == 0) {
                out += '&';
                used = 1;
            }
            i += used;
        }
    }
}

// What the tree rules need to know of an HTML element's name.
enum ElementFlag : uint32_t {
    kVoid = 1,               // no end tag: never open
    kBreaksOut = 2,          // its start tag leaves SVG or MathML content for HTML
    kClosesParagraph = 4,    // its start tag ends an open <p> first
    kSpecial = 8,            // an end tag of another name does not reach past it
    kScopeBoundary = 16,     // nor does a start tag looking for an element to end
    kRawText = 32,           // its content is text up to its end tag...
    kEscapableRawText = 64,  // ...in which references count
    // Names the tree rules look for, told by a bit rather than by comparing names.
    kParagraph = 128,
    kListItem = 256,
    kDefinition = 512,  // <dd>, <dt>
    kButton = 1024,
    kTemplate = 2048,
    kPicture = 4096,
    kEndsNoItem = 8192,     // special, yet a search for an open <li>, <dd> or <dt> passes it
    kEndsFrameset = 16384,  // the page has a body from here on: a <frameset> is ignored
};

uint32_t ElementFlags(std::string_view name) {
    static const std::unordered_map<std::string_view, uint32_t> table = [] {
        std::unordered_map<std::string_view, uint32_t> t;
        auto add = [&t](uint32_t flag, std::initializer_list<std::string_view> names) {
            for (std::string_view n : names) t[n] |= flag;
        };
        add(kVoid, {"area", "base", "basefont", "bgsound", "br", "col", "embed", "frame", "hr",
                    "img", "input", "keygen", "link", "meta", "param", "source", "track", "wbr"});
        add(kBreaksOut,
            {"b",      "big",  "blockquote", "body",  "br",   "center", "code",    "dd",   "div",
             "dl",     "dt",   "em",         "embed", "h1",   "h2",     "h3",      "h4",   "h5",
             "h6",     "head", "hr",         "i",     "img",  "li",     "listing", "menu", "meta",
             "nobr",   "ol",   "p",          "pre",   "ruby", "s",      "small",   "span", "strong",
             "strike", "sub",  "sup",        "table", "tt",   "u",      "ul",      "var"});
        add(kClosesParagraph,
            {"address", "article", "aside",     "blockquote", "center",     "details", "dialog",
             "dir",     "div",     "dl",        "fieldset",   "figcaption", "figure",  "footer",
             "form",    "h1",      "h2",        "h3",         "h4",         "h5",      "h6",
             "header",  "hgroup",  "hr",        "listing",    "main",       "menu",    "nav",
             "ol",      "p",       "plaintext", "pre",        "search",     "section", "summary",
             "table",   "ul",      "xmp"});
        add(kSpecial,
            {"address", "applet",     "area",     "article",    "aside",     "base",     "basefont",
             "bgsound", "blockquote", "body",     "br",         "button",    "caption",  "center",
             "col",     "colgroup",   "dd",       "details",    "dir",       "div",      "dl",
             "dt",      "embed",      "fieldset", "figcaption", "figure",    "footer",   "form",
             "frame",   "frameset",   "h1",       "h2",         "h3",        "h4",       "h5",
             "h6",      "head",       "header",   "hgroup",     "hr",        "html",     "iframe",
             "img",     "input",      "keygen",   "li",         "link",      "listing",  "main",
             "marquee", "menu",       "meta",     "nav",        "noembed",   "noframes", "noscript",
             "object",  "ol",         "p",        "param",      "plaintext", "pre",      "script",
             "search",  "section",    "select",   "source",     "style",     "summary",  "table",
             "tbody",   "td",         "template", "textarea",   "tfoot",     "th",       "thead",
             "title",   "tr",         "track",    "ul",         "wbr",       "xmp"});
        add(kScopeBoundary,
            {"applet", "caption", "html", "table", "td", "th", "marquee", "object", "template"});
        // <noscript> is not here: it is read as markup, as a browser with scripts off reads it,
        // so that the images inside, those a reader without scripts sees, are kept.
        add(kRawText, {"style", "xmp", "iframe", "noembed", "noframes", "title", "textarea"});
        add(kEscapableRawText, {"title", "textarea"});
        add(kParagraph, {"p"});
        add(kListItem, {"li"});
        add(kDefinition, {"dd", "dt"});
        add(kButton, {"button"});
        add(kTemplate, {"template"});
        add(kPicture, {"picture"});
        add(kEndsNoItem, {"address", "div", "p", "li", "dd", "dt"});
        add(kEndsFrameset,
            {"applet", "area",   "body",  "br",       "button", "dd",      "dt",      "embed",
             "hr",     "iframe", "img",   "keygen",   "li",     "listing", "marquee", "object",
             "pre",    "select", "table", "textarea", "wbr",    "xmp"});
        return t;
    }();
    auto it = table.find(name);
    return it == table.end() ? 0 : it->second;
}

class Tokenizer {
public:
    Tokenizer(std::string_view html, HtmlTokenSink& sink, bool treeRules)
        : html_(html), sink_(sink), treeRules_(treeRules) {
        slots_.assign(kSlots, kEmptySlot);
    }

    void Run(HtmlTokenizerState initial, std::string_view lastStartTag) {
        lastStartTag_ = Lower(lastStartTag);
        switch (initial) {
            case HtmlTokenizerState::kData:
                text_ = Text::kData;
                break;
            case HtmlTokenizerState::kRcdata:
                text_ = Text::kRcdata;
                break;
            case HtmlTokenizerState::kRawtext:
                text_ = Text::kRawtext;
                break;
            case HtmlTokenizerState::kScriptData:
                text_ = Text::kScriptData;
                break;
            case HtmlTokenizerState::kPlaintext:
                text_ = Text::kPlaintext;
                break;
            case HtmlTokenizerState::kCdataSection:
                text_ = Text::kData;
                pos_ = CdataEnd(0);
                break;
        }
        while (pos_ < html_.size()) {
            switch (text_) {
                case Text::kData:
                    ReadData();
                    break;
                case Text::kRcdata:
                case Text::kRawtext:
                    ReadRawText(RawTextEnd(pos_));
                    break;
                case Text::kScriptData:
                    ReadRawText(ScriptDataEnd(pos_));
                    break;
                case Text::kPlaintext:
                    pos_ = html_.size();
                    break;
            }
        }
        // An SVG <style> the page leaves open still styles it.
        while (collecting_ && !open_.empty()) Pop();
    }

private:
    enum class Text { kData, kRcdata, kRawtext, kScriptData, kPlaintext };
    enum class ScriptState {
        kData,
        kEscaped,
        kEscapedDash,
        kEscapedDashDash,
        kDoubleEscaped,
        kDoubleEscapedDash,
        kDoubleEscapedDashDash
    };

    struct OpenElement {
        std::string name;
        HtmlNamespace ns;
        uint32_t flags;  // ElementFlag; for SVG and MathML only kSpecial and kScopeBoundary
        bool htmlIntegrationPoint;
        bool mathTextIntegrationPoint;
        bool collectsText;  // an SVG <style>, whose text is CSS
        // Where in the stack, at or below this element, the nearest of these is (-1: none):
        // what a start tag closes is then found without a walk down the stack.
        int topP, topPStop;                           // an HTML <p>; what bounds the search for one
        int topListItem, topDefinition, topItemStop;  // <li>; <dd> or <dt>; what bounds both
    };

    // Data: text up to markup, then the markup.
    void ReadData() {
        size_t from = pos_;
        while (true) {
            size_t lt = html_.find('<', from);
            if (lt == std::string_view::npos) {
                Collect(pos_, html_.size());
                SeeText(pos_, html_.size());
                pos_ = html_.size();
                return;
            }
            Collect(pos_, lt);
            SeeText(pos_, lt);
            pos_ = lt;
            if (ReadMarkup(lt)) return;
            from = lt + 1;  // a '<' that is text
        }
    }

    // Markup at the '<' at `lt`: returns false when that '<' is text.
    bool ReadMarkup(size_t lt) {
        size_t i = lt + 1;
        if (i >= html_.size()) return false;
        char c = html_[i];
        if (IsAlpha(c)) {
            ReadTagAt(lt, i, true);
            return true;
        }
        if (c == '!') {
            ReadDeclaration(i + 1);
            return true;
        }
        if (c == '/') {
            if (i + 1 >= html_.size()) return false;  // "</" at the end is text
            if (IsAlpha(html_[i + 1])) {
                ReadTagAt(lt, i + 1, false);
            } else if (html_[i + 1] == '>') {
                pos_ = i + 2;  // "</>" is nothing
            } else {
                pos_ = BogusCommentEnd(i + 1);
            }
            return true;
        }
        if (c == '?') {
            pos_ = BogusCommentEnd(i);
            return true;
        }
        return false;
    }

    // After "<!".
    void ReadDeclaration(size_t i) {
        if (html_.compare(i, 2, "--") == 0) {
            pos_ = CommentEnd(i + 2);
        } else if (StartsWithNoCase(html_, i, "doctype")) {
            // Every DOCTYPE state ends at '>', even inside a quoted identifier.
            size_t gt = html_.find('>', i + 7);
            pos_ = gt == std::string_view::npos ? html_.size() : gt + 1;
            if (gt != std::string_view::npos) sink_.OnDoctype(pos_);
        } else if (html_.compare(i, 7, "[CDATA[") == 0 && InForeignContent()) {
            pos_ = CdataEnd(i + 7);
        } else {
            pos_ = BogusCommentEnd(i);
        }
    }

    size_t BogusCommentEnd(size_t from) const {
        size_t gt = html_.find('>', from);
        return gt == std::string_view::npos ? html_.size() : gt + 1;
    }

    size_t CdataEnd(size_t from) {
        size_t end = html_.find("]]>", from);
        size_t textEnd = end == std::string_view::npos ? html_.size() : end;
        if (collecting_) AppendText(collected_, html_.substr(from, textEnd - from), false, false);
        SeeText(from, textEnd);
        return end == std::string_view::npos ? html_.size() : end + 3;
    }

    // After "<!--": the comment states, including the "<!-->" and "--!>" endings.
    size_t CommentEnd(size_t i) const {
        const size_t n = html_.size();
        if (i < n && html_[i] == '>') return i + 1;
        if (i + 1 < n && html_[i] == '-' && html_[i + 1] == '>') return i + 2;
        enum { kComment, kEndDash, kEnd, kEndBang } state = kComment;
        while (true) {
            if (state == kComment) {
                size_t dash = html_.find('-', i);
                if (dash == std::string_view::npos) return n;
                i = dash + 1;
                state = kEndDash;
                continue;
            }
            if (i >= n) return n;
            char c = html_[i];
            if (state == kEndDash) {
                if (c == '-') {
                    ++i;
                    state = kEnd;
                } else {
                    state = kComment;
                }
            } else if (state == kEnd) {
                if (c == '>') return i + 1;
                if (c == '!') {
                    ++i;
                    state = kEndBang;
                } else if (c == '-') {
                    ++i;
                } else {
                    state = kComment;
                }
            } else {  // kEndBang
                if (c == '>') return i + 1;
                if (c == '-') {
                    ++i;
                    state = kEndDash;
                } else {
                    state = kComment;
                }
            }
        }
    }

    // "</name" followed by a blank, '/' or '>', where name is the element the text is in.
    bool IsAppropriateEndTag(size_t afterSlash) const {
        if (lastStartTag_.empty() || !StartsWithNoCase(html_, afterSlash, lastStartTag_)) {
            return false;
        }
        size_t after = afterSlash + lastStartTag_.size();
        return after < html_.size() && EndsTagName(html_[after]);
    }

    // RCDATA and RAWTEXT: where the end tag starts, or the page's end.
    size_t RawTextEnd(size_t from) const {
        while (true) {
            size_t lt = html_.find("</", from);
            if (lt == std::string_view::npos) return html_.size();
            if (IsAppropriateEndTag(lt + 2)) return lt;
            from = lt + 2;
        }
    }

    // Script text, with its escaped ("<!--") and double-escaped ("<!--<script>") states, in
    // which an end tag that would otherwise end it does not: where its end tag starts, or the
    // page's end.
    size_t ScriptDataEnd(size_t i) const {
        const size_t n = html_.size();
        ScriptState state = ScriptState::kData;
        bool endTag = false;
        while (i < n) {
            switch (state) {
                case ScriptState::kData: {
                    size_t lt = html_.find('<', i);
                    if (lt == std::string_view::npos) return n;
                    i = lt + 1;
                    if (i < n && html_[i] == '/') {
                        if (IsAppropriateEndTag(i + 1)) return lt;
                        ++i;
                    } else if (html_.compare(i, 3, "!--") == 0) {
                        i += 3;
                        state = ScriptState::kEscapedDashDash;
                    }
                    break;
                }
                case ScriptState::kEscaped:
                case ScriptState::kDoubleEscaped: {
                    bool twice = state == ScriptState::kDoubleEscaped;
                    size_t at = html_.find_first_of("-<", i);
                    if (at == std::string_view::npos) return n;
                    if (html_[at] == '-') {
                        i = at + 1;
                        state = twice ? ScriptState::kDoubleEscapedDash : ScriptState::kEscapedDash;
                    } else {
                        i = twice ? DoubleEscapedLessThan(at, &state)
                                  : EscapedLessThan(at, &state, &endTag);
                        if (endTag) return at;
                    }
                    break;
                }
                case ScriptState::kEscapedDash:
                case ScriptState::kEscapedDashDash:
                case ScriptState::kDoubleEscapedDash:
                case ScriptState::kDoubleEscapedDashDash: {
                    bool twice = state == ScriptState::kDoubleEscapedDash ||
                                 state == ScriptState::kDoubleEscapedDashDash;
                    bool dashDash = state == ScriptState::kEscapedDashDash ||
                                    state == ScriptState::kDoubleEscapedDashDash;
                    char c = html_[i];
                    if (c == '-') {
                        ++i;
                        state = twice ? ScriptState::kDoubleEscapedDashDash
                                      : ScriptState::kEscapedDashDash;
                    } else if (c == '<') {
                        size_t lt = i;
                        i = twice ? DoubleEscapedLessThan(lt, &state)
                                  : EscapedLessThan(lt, &state, &endTag);
                        if (endTag) return lt;
                    } else if (c == '>' && dashDash) {
                        ++i;
                        state = ScriptState::kData;
                    } else {
                        ++i;
                        state = twice ? ScriptState::kDoubleEscaped : ScriptState::kEscaped;
                    }
                    break;
                }
            }
        }
        return n;
    }

    // Letters from j, to `*end`: whether they are the word "script" followed by a character
    // that ends a tag name.
    bool IsScriptWord(size_t j, size_t* end) const {
        size_t k = j;
        while (k < html_.size() && IsAlpha(html_[k])) ++k;
        *end = k;
        return k - j == 6 && k < html_.size() && EndsTagName(html_[k]) &&
               StartsWithNoCase(html_, j, "script");
    }

    // A '<' at `lt` in escaped script text: an end tag, "<script" that escapes it twice, or
    // text. Returns where reading goes on.
    size_t EscapedLessThan(size_t lt, ScriptState* state, bool* endTag) const {
        const size_t n = html_.size();
        size_t j = lt + 1;
        *state = ScriptState::kEscaped;
        if (j < n && html_[j] == '/') {
            *endTag = IsAppropriateEndTag(j + 1);
            return j + 1;
        }
        if (j < n && IsAlpha(html_[j])) {
            size_t end = 0;
            if (IsScriptWord(j, &end)) *state = ScriptState::kDoubleEscaped;
            return end < n && EndsTagName(html_[end]) ? end + 1 : end;
        }
        return j;
    }

    // A '<' at `lt` in doubly escaped script text: "</script" takes it back to escaped text.
    size_t DoubleEscapedLessThan(size_t lt, ScriptState* state) const {
        const size_t n = html_.size();
        size_t j = lt + 1;
        *state = ScriptState::kDoubleEscaped;
        if (j < n && html_[j] == '/') {
            size_t end = 0;
            if (IsScriptWord(j + 1, &end)) *state = ScriptState::kEscaped;
            return end < n && EndsTagName(html_[end]) ? end + 1 : end;
        }
        return j;
    }

    // The text of a raw-text element ends at `end`, its end tag or the page's end.
    void ReadRawText(size_t end) {
        if (reportRawText_) {
            sink_.OnElementText(rawTextElement_, html_.substr(pos_, end - pos_));
            reportRawText_ = false;
        }
        text_ = Text::kData;
        if (end >= html_.size()) {
            pos_ = html_.size();
            return;
        }
        ReadTagAt(end, end + 2, false);
    }

    // Text that is more than blanks makes the page a body, which a later <frameset> no longer
    // replaces.
    void SeeText(size_t from, size_t end) {
        if (!framesetOk_) return;
        for (size_t i = from; i < end; ++i) {
            if (!IsBlank(html_[i]) && html_[i] != '\0') {
                framesetOk_ = false;
                return;
            }
        }
    }

    // Text of the element that collects it, up to `end`.
    void Collect(size_t from, size_t end) {
        if (collecting_ && end > from) {
            AppendText(collected_, html_.substr(from, end - from), true, false);
        }
    }

    // A start or end tag whose name starts at `i`; `lt` is at its '<'. A tag the page ends in
    // is dropped, as browsers drop it.
    void ReadTagAt(size_t lt, size_t i, bool start) {
        const size_t n = html_.size();
        HtmlStartTag& tag = tag_;
        tag.name.clear();
        tag.attributes.clear();
        tag.selfClosing = false;
        tag.inPicture = false;
        tag.ns = HtmlNamespace::kHtml;
        tag.begin = lt;
        ClearSlots();
        size_t nameStart = i;
        while (i < n && !EndsTagName(html_[i])) ++i;
        AppendName(tag.name, html_.substr(nameStart, i - nameStart));
        tag.nameEnd = i;
        while (true) {
            while (i < n && IsBlank(html_[i])) ++i;
            if (i >= n) {
                pos_ = n;
                return;
            }
            char c = html_[i];
            if (c == '>') {
                ++i;
                break;
            }
            if (c == '/') {
                ++i;
                if (i < n && html_[i] == '>') {
                    tag.selfClosing = true;
                    ++i;
                    break;
                }
                continue;
            }
            // An attribute name: its first character may be '=', the others may not.
            size_t attrStart = i++;
            while (i < n && !EndsTagName(html_[i]) && html_[i] != '=') ++i;
            size_t attrNameEnd = i;
            while (i < n && IsBlank(html_[i])) ++i;
            size_t valueBegin = attrNameEnd, valueEnd = attrNameEnd;
            if (i < n && html_[i] == '=') {
                ++i;
                while (i < n && IsBlank(html_[i])) ++i;
                if (i >= n) {
                    pos_ = n;
                    return;
                }
                char q = html_[i];
                if (q == '"' || q == '\'') {
                    size_t close = html_.find(q, i + 1);
                    if (close == std::string_view::npos) {
                        pos_ = n;
                        return;
                    }
                    valueBegin = i + 1;
                    valueEnd = close;
                    i = close + 1;
                } else if (q == '>') {
                    valueBegin = valueEnd = i;  // a missing value is an empty one
                } else {
                    valueBegin = i;
                    while (i < n && !IsBlank(html_[i]) && html_[i] != '>') ++i;
                    valueEnd = i;
                }
            }
            AddAttribute(html_.substr(attrStart, attrNameEnd - attrStart), valueBegin, valueEnd);
        }
        tag.end = i;
        pos_ = i;
        if (start) {
            OnStartTag();
        } else {
            OnEndTag();
        }
    }

    // Keeps the attribute unless its name came before in the tag.
    void AddAttribute(std::string_view rawName, size_t valueBegin, size_t valueEnd) {
        if (tag_.attributes.size() >= kMaxAttributes) return;
        scratchName_.clear();
        AppendName(scratchName_, rawName);
        uint32_t hash = 2166136261u;
        for (char c : scratchName_) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        size_t slot = hash & (kSlots - 1);
        while (slots_[slot] != kEmptySlot) {
            if (tag_.attributes[slots_[slot]].name == scratchName_) return;
            slot = (slot + 1) & (kSlots - 1);
        }
        slots_[slot] = static_cast<uint16_t>(tag_.attributes.size());
        usedSlots_.push_back(static_cast<uint16_t>(slot));
        tag_.attributes.emplace_back();
        HtmlAttribute& attr = tag_.attributes.back();
        attr.name.swap(scratchName_);
        attr.valueBegin = valueBegin;
        attr.valueEnd = valueEnd;
        AppendText(attr.value, html_.substr(valueBegin, valueEnd - valueBegin), true, true);
    }

    void ClearSlots() {
        for (uint16_t s : usedSlots_) slots_[s] = kEmptySlot;
        usedSlots_.clear();
    }

    // --- What a tag does to the tree and to the tokenizer ---

    bool InForeignContent() const {
        return !open_.empty() && open_.back().ns != HtmlNamespace::kHtml;
    }

    // Whether a start tag is read by the rules of SVG and MathML content rather than HTML's.
    bool ForeignRulesFor(std::string_view name) const {
        if (!InForeignContent()) return false;
        const OpenElement& top = open_.back();
        if (top.mathTextIntegrationPoint && name != "mglyph" && name != "malignmark") {
            return false;
        }
        if (top.ns == HtmlNamespace::kMathMl && top.name == "annotation-xml" && name == "svg") {
            return false;
        }
        return !top.htmlIntegrationPoint;
    }

    void OnStartTag() {
        if (!treeRules_) {
            sink_.OnStartTag(tag_);
            return;
        }
        HtmlStartTag& tag = tag_;
        if (inFrameset_) {
            OnFramesetStartTag();
            return;
        }
        std::string_view name = tag.name;  // compared as a view: no length count of each literal
        uint32_t flags = ElementFlags(name);
        if (ForeignRulesFor(tag.name)) {
            bool breaksOut =
                (flags & kBreaksOut) ||
                (name == "font" && (tag.Find("color") || tag.Find("face") || tag.Find("size")));
            if (!breaksOut) {
                InsertForeign(open_.back().ns);
                return;
            }
            PopToHtmlContent();
        }
        if (name == "svg" || name == "math") {
            InsertForeign(name == "svg" ? HtmlNamespace::kSvg : HtmlNamespace::kMathMl);
            return;
        }
        if (name == "image") {  // an old spelling browsers still accept
            tag.name = "img";
            name = tag.name;
            flags = ElementFlags(name);
        }
        if ((flags & kEndsFrameset) ||
            (name == "input" &&
             !(tag.Find("type") && Lower(tag.Find("type")->value) == "hidden"))) {
            framesetOk_ = false;
        }
        if (name == "html" || name == "head" || name == "body") {
            Report();
            return;
        }
        if (name == "frameset") {
            // It takes the body's place while the page has shown nothing; after that, and in a
            // <template>, it is ignored.
            if (!framesetOk_ || templates_ > 0) return;
            PopTo(0);
            inFrameset_ = true;
            Report();
            Push(HtmlNamespace::kHtml, flags, false, false, false);
            return;
        }
        if (name == "frame") return;  // outside a <frameset>, ignored
        CloseImpliedBy(tag.name, flags);
        tag.inPicture = !open_.empty() && (open_.back().flags & kPicture);
        Report();
        if (flags & kVoid) return;
        Push(HtmlNamespace::kHtml, flags, false, false, false);
        if (flags & kRawText) {
            EnterText((flags & kEscapableRawText) ? Text::kRcdata : Text::kRawtext);
        } else if (name == "script") {
            EnterText(Text::kScriptData);
        } else if (name == "plaintext") {
            text_ = Text::kPlaintext;
        }
    }

    // In a frameset page only frames are read, and <noframes> as text; <frame> and <frameset>
    // no longer once the outermost <frameset> has ended.
    void OnFramesetStartTag() {
        const std::string_view name = tag_.name;
        const bool open = !open_.empty();
        if ((name == "frameset" && open) || name == "noframes") {
            Report();
            Push(HtmlNamespace::kHtml, ElementFlags(name), false, false, false);
            if (name == "noframes") EnterText(Text::kRawtext);
        } else if (name == "frame" && open) {
            Report();
        }
    }

    void EnterText(Text text) {
        text_ = text;
        lastStartTag_ = tag_.name;
        const std::string_view name = tag_.name;
        reportRawText_ = templates_ == 0 && (name == "style" || name == "title");
        if (reportRawText_) rawTextElement_ = tag_;
    }

    void InsertForeign(HtmlNamespace ns) {
        HtmlStartTag& tag = tag_;
        tag.ns = ns;
        Report();
        if (tag.selfClosing) return;
        const std::string_view name = tag.name;
        bool svg = ns == HtmlNamespace::kSvg;
        bool htmlPoint = svg && (name == "foreignobject" || name == "desc" || name == "title");
        bool annotation = ns == HtmlNamespace::kMathMl && name == "annotation-xml";
        if (annotation) {
            const HtmlAttribute* encoding = tag.Find("encoding");
            std::string e = encoding ? Lower(encoding->value) : std::string();
            htmlPoint = e == "text/html" || e == "application/xhtml+xml";
        }
        bool mathText =
            ns == HtmlNamespace::kMathMl &&
            (name == "mi" || name == "mo" || name == "mn" || name == "ms" || name == "mtext");
        // The integration points are special and bound scopes, as HTML elements of that kind.
        uint32_t flags = (htmlPoint || mathText || annotation) ? kSpecial | kScopeBoundary : 0;
        bool collects = svg && name == "style" && !collecting_ && templates_ == 0;
        Push(ns, flags, htmlPoint, mathText, collects);
        if (collects) {
            collecting_ = true;
            collected_.clear();
            svgStyleElement_ = tag;
        }
    }

    void Report() {
        if (templates_ == 0) sink_.OnStartTag(tag_);
    }

    bool IsHtml(const OpenElement& e, std::string_view name) const {
        return e.ns == HtmlNamespace::kHtml && e.name == name;
    }

    void Push(HtmlNamespace ns, uint32_t flags, bool htmlPoint, bool mathText, bool collects) {
        if (open_.size() >= kMaxOpenElements) Forget(open_.size() / 2);
        OpenElement e{tag_.name, ns, flags, htmlPoint, mathText, collects, -1, -1, -1, -1, -1};
        const int k = static_cast<int>(open_.size());
        if (!open_.empty()) {
            const OpenElement& below = open_.back();
            e.topP = below.topP;
            e.topPStop = below.topPStop;
            e.topListItem = below.topListItem;
            e.topDefinition = below.topDefinition;
            e.topItemStop = below.topItemStop;
        }
        if (flags & kParagraph) e.topP = k;
        if (flags & (kScopeBoundary | kButton)) e.topPStop = k;
        if (flags & kListItem) e.topListItem = k;
        if (flags & kDefinition) e.topDefinition = k;
        if ((flags & kSpecial) && !(flags & kEndsNoItem)) e.topItemStop = k;
        if (flags & kTemplate) ++templates_;
        open_.push_back(std::move(e));
    }

    // The oldest `count` open elements are dropped, on a page that nests deeper than the
    // bound; what is found in them is shifted down.
    void Forget(size_t count) {
        for (size_t k = 0; k < count; ++k) {
            if (open_[k].flags & kTemplate) --templates_;
            if (open_[k].collectsText) collecting_ = false;
        }
        open_.erase(open_.begin(), open_.begin() + static_cast<std::ptrdiff_t>(count));
        const int shift = static_cast<int>(count);
        for (OpenElement& e : open_) {
            for (int* index :
                 {&e.topP, &e.topPStop, &e.topListItem, &e.topDefinition, &e.topItemStop}) {
                *index = *index >= shift ? *index - shift : -1;
            }
        }
    }

    void Pop() {
        OpenElement& top = open_.back();
        if (top.flags & kTemplate) --templates_;
        if (top.collectsText && collecting_) {
            collecting_ = false;
            sink_.OnElementText(svgStyleElement_, collected_);
        }
        open_.pop_back();
    }

    void PopTo(size_t index) {
        while (open_.size() > index) Pop();
    }

    // Back to the nearest HTML element or integration point, when an HTML tag leaves SVG or
    // MathML content.
    void PopToHtmlContent() {
        while (InForeignContent() && !open_.back().mathTextIntegrationPoint &&
               !open_.back().htmlIntegrationPoint) {
            Pop();
        }
    }

    // A start tag that ends an element left open: <p> before a block, <li> before <li>...
    void CloseImpliedBy(std::string_view name, uint32_t flags) {
        if (open_.empty()) return;
        const OpenElement& top = open_.back();
        if ((flags & kClosesParagraph) && top.topP > top.topPStop) PopTo(top.topP);
        if (open_.empty()) return;
        const OpenElement& now = open_.back();
        if ((flags & kListItem) && now.topListItem > std::max(now.topItemStop, now.topDefinition)) {
            PopTo(now.topListItem);
        } else if ((flags & kDefinition) &&
                   now.topDefinition > std::max(now.topItemStop, now.topListItem)) {
            PopTo(now.topDefinition);
        } else if (name == "option" || name == "optgroup" || name == "tr" || name == "td" ||
                   name == "th" || name == "a") {
            bool cell = name == "td" || name == "th";
            if (IsHtml(now, name) || (name == "optgroup" && IsHtml(now, "option")) ||
                (cell && (IsHtml(now, "td") || IsHtml(now, "th")))) {
                Pop();
            }
        }
    }

    void OnEndTag() {
        const std::string_view name = tag_.name;
        if (!treeRules_) {
            sink_.OnEndTag(name, HtmlNamespace::kHtml);
            return;
        }
        if (inFrameset_) {
            if (!open_.empty() && IsHtml(open_.back(), name)) Pop();  // </frameset>, </noframes>
            return;
        }
        if (InForeignContent()) {
            if (name == "br" || name == "p") {
                PopToHtmlContent();
            } else {
                // The nearest open SVG or MathML element of that name closes; an HTML element
                // below them is left to the HTML rules.
                for (size_t k = open_.size(); k-- > 0;) {
                    const OpenElement& e = open_[k];
                    if (e.ns == HtmlNamespace::kHtml) break;
                    if (e.name == name) {
                        HtmlNamespace ns = e.ns;
                        PopTo(k);
                        if (templates_ == 0) sink_.OnEndTag(name, ns);
                        return;
                    }
                    if (k == 0) return;
                }
            }
        }
        if (name == "template") {
            for (size_t k = open_.size(); k-- > 0;) {
                if (open_[k].flags & kTemplate) {
                    PopTo(k);
                    break;
                }
            }
        } else {
            bool special = (ElementFlags(name) & kSpecial) != 0;
            for (size_t k = open_.size(); k-- > 0;) {
                const OpenElement& e = open_[k];
                if (IsHtml(e, name)) {
                    PopTo(k);
                    break;
                }
                if ((e.flags & kScopeBoundary) || (!special && (e.flags & kSpecial))) break;
            }
        }
        if (templates_ == 0) sink_.OnEndTag(name, HtmlNamespace::kHtml);
    }

    static constexpr size_t kSlots = 2048;  // twice kMaxAttributes and more, a power of two
    static constexpr uint16_t kEmptySlot = 0xFFFF;

    std::string_view html_;
    HtmlTokenSink& sink_;
    const bool treeRules_;
    size_t pos_ = 0;
    Text text_ = Text::kData;
    std::string lastStartTag_;

    HtmlStartTag tag_;  // the tag being read, its storage kept from tag to tag
    std::string scratchName_;
    std::vector<uint16_t> slots_;  // attribute names seen in the tag, hashed
    std::vector<uint16_t> usedSlots_;

    std::vector<OpenElement> open_;
    int templates_ = 0;            // open <template> elements: what is inside them is not fetched
    HtmlStartTag rawTextElement_;  // the <style> or <title> whose text is being read
    bool reportRawText_ = false;
    bool framesetOk_ = true;   // no text or element yet that makes the page a body
    bool inFrameset_ = false;  // a <frameset> took the body's place
    bool collecting_ = false;  // inside an SVG <style>
    HtmlStartTag svgStyleElement_;
    std::string collected_;
};

}  // namespace

const HtmlAttribute* HtmlStartTag::Find(std::string_view attributeName) const {
    for (const HtmlAttribute& a : attributes) {
        if (a.name == attributeName) return &a;
    }
    return nullptr;
}

void TokenizeHtml(std::string_view html, HtmlTokenSink& sink) {
    Tokenizer(html, sink, true).Run(HtmlTokenizerState::kData, {});
}

void TokenizeHtmlTokens(std::string_view html, HtmlTokenizerState initial,
                        std::string_view lastStartTag, HtmlTokenSink& sink) {
    Tokenizer(html, sink, false).Run(initial, lastStartTag);
}

}  // namespace mht
