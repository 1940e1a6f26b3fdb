#include "mavrel/ini_document.h"

#include "afx/dbcs.h"
#include "url/ascii.h"

namespace mavrel {

namespace {

// Blanks and tabs are never trail bytes of a double-byte character, so trimming them byte by
// byte is safe.
std::string Trim(const std::string& s) {
    size_t first = 0, last = s.size();
    while (first < last && ascii::IsBlank(s[first])) ++first;
    while (last > first && ascii::IsBlank(s[last - 1])) --last;
    return s.substr(first, last - first);
}

bool NamesMatch(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size();) {
        size_t len = afx::CharLength(a, i);
        if (len == 2) {
            if (a.compare(i, 2, b, i, 2) != 0) return false;
        } else {
            if (ascii::ToLower(a[i]) != ascii::ToLower(b[i])) return false;
        }
        i += len;
    }
    return true;
}

// The last character, judged whole: a ']' that is the trail byte of a Chinese character does
// not close a section name.
bool EndsWithSingleByte(const std::string& s, char c) {
    size_t lastStart = std::string::npos;
    for (size_t i = 0; i < s.size(); i += afx::CharLength(s, i)) lastStart = i;
    return lastStart != std::string::npos && lastStart + 1 == s.size() && s[lastStart] == c;
}

// The name of a "[name]" line, or false.
bool SectionName(const std::string& line, std::string* name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t[0] != '[' || !EndsWithSingleByte(t, ']')) return false;
    *name = Trim(t.substr(1, t.size() - 2));
    return true;
}

// Key and raw value of a "key=value" line, or false for comments, blank and other lines.
// '=' is never a trail byte, so the first '=' byte is the separator.
bool KeyLine(const std::string& line, std::string* key, std::string* value) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    *key = Trim(t.substr(0, eq));
    *value = Trim(t.substr(eq + 1));
    return true;
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

std::string Encode(const std::string& value, bool quoted) {
    std::string out = value;
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return quoted ? '"' + out + '"' : out;
}

}  // namespace

IniDocument::IniDocument(const std::string& text) {
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t lineEnd = (end > start && text[end - 1] == '\r') ? end - 1 : end;
        m_lines.push_back(text.substr(start, lineEnd - start));
        start = end + 1;
    }
}

bool IniDocument::Get(const std::string& section, const std::string& key,
                      std::string* value) const {
    bool inSection = false;
    std::string name, k, v;
    for (const std::string& line : m_lines) {
        if (SectionName(line, &name)) {
            inSection = NamesMatch(name, section);
        } else if (inSection && KeyLine(line, &k, &v) && NamesMatch(k, key)) {
            *value = Unquote(v);
            return true;
        }
    }
    return false;
}

void IniDocument::Set(const std::string& section, const std::string& key, const std::string& value,
                      bool quoted) {
    const std::string newLine = key + '=' + Encode(value, quoted);
    int sectionsSeen = 0;  // sections named `section` so far
    bool inSection = false, stored = false;
    size_t insertAt = std::string::npos;  // after the last key line of the first such section
    std::string name, k, v;
    for (size_t i = 0; i < m_lines.size();) {
        if (SectionName(m_lines[i], &name)) {
            inSection = NamesMatch(name, section);
            if (inSection && ++sectionsSeen == 1) insertAt = i + 1;
        } else if (inSection && KeyLine(m_lines[i], &k, &v)) {
            if (!NamesMatch(k, key)) {
                if (sectionsSeen == 1) insertAt = i + 1;
            } else if (stored) {
                m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            } else {
                m_lines[i] = newLine;
                stored = true;
            }
        }
        ++i;
    }
    if (stored) return;
    if (insertAt == std::string::npos) {
        if (!m_lines.empty() && !Trim(m_lines.back()).empty()) m_lines.emplace_back();
        m_lines.push_back('[' + section + ']');
        insertAt = m_lines.size();
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
}

std::string IniDocument::Text() const {
    std::string text;
    for (const std::string& line : m_lines) text += line + "\r\n";
    return text;
}

}  // namespace mavrel
