#include "tests/gui/batch/json_value.h"

#include <cstdlib>
#include <stdexcept>

namespace batch {

namespace {

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    JsonValue Document() {
        JsonValue value = Value();
        SkipBlanks();
        if (m_pos != m_text.size()) Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const char* what) const {
        throw std::runtime_error(std::string("JSON: ") + what + " at " + std::to_string(m_pos));
    }

    void SkipBlanks() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\n'))
            ++m_pos;
    }

    char Peek() {
        SkipBlanks();
        if (m_pos >= m_text.size()) Fail("unexpected end");
        return m_text[m_pos];
    }

    void Expect(char c) {
        if (Peek() != c) Fail("unexpected character");
        ++m_pos;
    }

    bool TakeWord(const char* word) {
        const std::string w(word);
        if (m_text.compare(m_pos, w.size(), w) != 0) return false;
        m_pos += w.size();
        return true;
    }

    JsonValue Value() {
        JsonValue value;
        const char c = Peek();
        if (c == '{') {
            value.kind = JsonValue::Kind::Object;
            ++m_pos;
            if (Peek() == '}') return ++m_pos, value;
            for (;;) {
                std::string name = String();
                Expect(':');
                value.members.emplace_back(std::move(name), Value());
                if (Peek() == ',') {
                    ++m_pos;
                    continue;
                }
                Expect('}');
                return value;
            }
        }
        if (c == '[') {
            value.kind = JsonValue::Kind::Array;
            ++m_pos;
            if (Peek() == ']') return ++m_pos, value;
            for (;;) {
                value.items.push_back(Value());
                if (Peek() == ',') {
                    ++m_pos;
                    continue;
                }
                Expect(']');
                return value;
            }
        }
        if (c == '"') {
            value.kind = JsonValue::Kind::String;
            value.text = String();
            return value;
        }
        if (TakeWord("true")) {
            value.kind = JsonValue::Kind::Bool;
            value.boolean = true;
            return value;
        }
        if (TakeWord("false")) {
            value.kind = JsonValue::Kind::Bool;
            return value;
        }
        if (TakeWord("null")) return value;
        const char* start = m_text.c_str() + m_pos;
        char* end = nullptr;
        value.number = std::strtod(start, &end);
        if (end == start) Fail("no value");
        value.kind = JsonValue::Kind::Number;
        m_pos += static_cast<size_t>(end - start);
        return value;
    }

    std::string String() {
        Expect('"');
        std::string out;
        for (;;) {
            if (m_pos >= m_text.size()) Fail("unterminated string");
            const char c = m_text[m_pos++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) Fail("unterminated escape");
            const char e = m_text[m_pos++];
            switch (e) {
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u': {
                    if (m_pos + 4 > m_text.size()) Fail("short \\u escape");
                    const long code = std::strtol(m_text.substr(m_pos, 4).c_str(), nullptr, 16);
                    m_pos += 4;
                    out += code <= 0xFF ? static_cast<char>(code) : '?';
                    break;
                }
                default:
                    out += e;  // '"', '\\', '/'
            }
        }
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const {
    static const JsonValue kNull;
    for (const auto& member : members)
        if (member.first == name) return member.second;
    return kNull;
}

JsonValue ParseJson(const std::string& text) {
    return Parser(text).Document();
}

}  // namespace batch
