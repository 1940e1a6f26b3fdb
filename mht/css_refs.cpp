#include "mht/css_refs.h"

#include "mht/html_entities.h"
#include "url/ascii.h"

namespace mht {
namespace {

bool IsCssSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || static_cast<unsigned char>(c) >= 0x80;
}

using ascii::HexValue;

bool EqualsNoCase(std::string_view s, std::string_view lowerWord) {
    if (s.size() != lowerWord.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (ascii::ToLower(s[i]) != lowerWord[i]) return false;
    }
    return true;
}

class CssScanner {
public:
    CssScanner(std::string_view css, ReferenceList& refs) : css_(css), refs_(refs) {}

    void Scan() {
        bool afterImport = false;  // an @import waits for its string or url()
        while (pos_ < css_.size() && !refs_.Full()) {
            char c = css_[pos_];
            if (c == '/' && Peek(1) == '*') {
                size_t end = css_.find("*/", pos_ + 2);
                pos_ = end == std::string_view::npos ? css_.size() : end + 2;
            } else if (c == '"' || c == '\'') {
                std::string text = ReadString();
                if (afterImport) Emit(RefKind::kImport, text);
                afterImport = false;
            } else if (c == '\\') {
                pos_ += 2;  // an escaped character is part of a name, never a quote
            } else if (c == '@') {
                ++pos_;
                afterImport = EqualsNoCase(ReadName(), "import");
            } else if (IsNameChar(c)) {
                std::string_view name = ReadName();
                if (pos_ < css_.size() && css_[pos_] == '(' && EqualsNoCase(name, "url")) {
                    ++pos_;
                    std::string text;
                    if (ReadUrlFunction(text)) {
                        Emit(afterImport ? RefKind::kImport : RefKind::kResource, text);
                    }
                    afterImport = false;
                }
            } else {
                if (c == ';' || c == '{' || c == '}') afterImport = false;
                ++pos_;
            }
        }
    }

private:
    char Peek(size_t ahead) const { return pos_ + ahead < css_.size() ? css_[pos_ + ahead] : '\0'; }

    std::string_view ReadName() {
        size_t start = pos_;
        while (pos_ < css_.size() && IsNameChar(css_[pos_])) ++pos_;
        return css_.substr(start, pos_ - start);
    }

    void SkipSpaces() {
        while (pos_ < css_.size() && IsCssSpace(css_[pos_])) ++pos_;
    }

    // At the "\" of an escape: appends what it stands for and moves past it.
    void ReadEscape(std::string& out) {
        ++pos_;
        if (pos_ >= css_.size()) return;
        if (HexValue(css_[pos_]) < 0) {
            out += css_[pos_++];
            return;
        }
        unsigned long cp = 0;
        for (int n = 0; n < 6 && pos_ < css_.size() && HexValue(css_[pos_]) >= 0; ++n, ++pos_) {
            cp = cp * 16 + HexValue(css_[pos_]);
        }
        if (pos_ < css_.size() && IsCssSpace(css_[pos_])) ++pos_;
        AppendUtf8(out, cp);
    }

    // At the opening quote; an unterminated string ends at the line break, as in CSS.
    std::string ReadString() {
        char quote = css_[pos_++];
        std::string out;
        while (pos_ < css_.size() && css_[pos_] != quote && css_[pos_] != '\n') {
            if (css_[pos_] == '\\') {
                if (Peek(1) == '\n') {
                    pos_ += 2;
                } else {
                    ReadEscape(out);
                }
            } else {
                out += css_[pos_++];
            }
        }
        if (pos_ < css_.size() && css_[pos_] == quote) ++pos_;
        return out;
    }

    // After "url(". Returns false for a malformed one, which CSS ignores.
    bool ReadUrlFunction(std::string& out) {
        SkipSpaces();
        if (pos_ < css_.size() && (css_[pos_] == '"' || css_[pos_] == '\'')) {
            out = ReadString();
            SkipSpaces();
            return SkipPastParen();
        }
        bool valid = true;
        while (pos_ < css_.size() && css_[pos_] != ')' && !IsCssSpace(css_[pos_])) {
            char c = css_[pos_];
            if (c == '\\') {
                ReadEscape(out);
                continue;
            }
            if (c == '"' || c == '\'' || c == '(') valid = false;
            out += c;
            ++pos_;
        }
        SkipSpaces();
        return SkipPastParen() && valid;
    }

    bool SkipPastParen() {
        bool closed = pos_ >= css_.size() || css_[pos_] == ')';  // the end closes it too
        size_t end = css_.find(')', pos_);
        pos_ = end == std::string_view::npos ? css_.size() : end + 1;
        return closed;
    }

    void Emit(RefKind kind, std::string& text) { refs_.Add(kind, std::move(text)); }

    std::string_view css_;
    size_t pos_ = 0;
    ReferenceList& refs_;
};

}  // namespace

std::vector<Reference> FindCssRefs(std::string_view css) {
    ReferenceList refs;
    FindCssRefs(css, refs);
    return refs.Take();
}

void FindCssRefs(std::string_view css, ReferenceList& refs) {
    CssScanner(css, refs).Scan();
}

}  // namespace mht
