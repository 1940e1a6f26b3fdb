// The settings document over any file text: a value set is read back, from the document and
// from its saved text, and no other key's value changes.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "mavrel/ini_document.h"
#include "url/ascii.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A section or key name as the program writes them: not empty, no blank at either end, none of
// the bytes that make a line a comment, a section or a key line, whole GBK characters only.
std::string NameFrom(FuzzedDataProvider& in) {
    std::string raw = in.ConsumeRandomLengthString(16);
    std::string name;
    for (size_t i = 0; i < raw.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c >= 0x81 && c <= 0xFE) {
            unsigned char t = i + 1 < raw.size() ? static_cast<unsigned char>(raw[i + 1]) : 0;
            if (t >= 0x40 && t <= 0xFE && t != 0x7F) {
                name += raw.substr(i++, 2);
                continue;
            }
            c = 'x';
        }
        if (c < 0x20 || c == 0x7F || c == 0x80 || c == 0xFF || c == '=' || c == ';' || c == '#' ||
            c == '[' || c == ']')
            c = 'x';
        name += static_cast<char>(c);
    }
    while (!name.empty() && IsBlank(name.back())) name.pop_back();
    while (!name.empty() && IsBlank(name.front())) name.erase(0, 1);
    return name.empty() ? "k" : name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    std::string section = NameFrom(in);
    std::string key = NameFrom(in);
    std::string otherSection = NameFrom(in);
    std::string otherKey = NameFrom(in);
    bool quoted = in.ConsumeBool();
    std::string value = in.ConsumeRandomLengthString(64);
    std::string text = in.ConsumeRemainingBytesAsString();

    // A line break cannot be held; unquoted, blanks at the ends and enclosing quotes are lost.
    std::string expected = value;
    for (char& c : expected)
        if (c == '\r' || c == '\n') c = ' ';
    if (!quoted && !expected.empty() &&
        (IsBlank(expected.front()) || IsBlank(expected.back()) || expected.front() == '"'))
        return 0;

    mavrel::IniDocument doc(text);
    std::string otherBefore;
    bool hadOther = doc.Get(otherSection, otherKey, &otherBefore);

    doc.Set(section, key, value, quoted);
    std::string got;
    FUZZ_CHECK(doc.Get(section, key, &got));
    FUZZ_CHECK_MSG(got == expected, got);

    std::string saved = doc.Text();
    for (size_t i = 0; i < saved.size(); ++i)
        if (saved[i] == '\n') FUZZ_CHECK(i > 0 && saved[i - 1] == '\r');
    mavrel::IniDocument reloaded(saved);
    got.clear();
    FUZZ_CHECK(reloaded.Get(section, key, &got));
    FUZZ_CHECK_MSG(got == expected, got);

    // Names that differ even without regard to case are another setting, which must survive.
    bool sameSetting = ascii::Lower(section) == ascii::Lower(otherSection) &&
                       ascii::Lower(key) == ascii::Lower(otherKey);
    if (!sameSetting) {
        std::string otherAfter;
        FUZZ_CHECK(reloaded.Get(otherSection, otherKey, &otherAfter) == hadOther);
        FUZZ_CHECK_MSG(otherAfter == otherBefore, otherAfter);
    }
    return 0;
}
