// The text of an INI file: "[section]" lines, "key=value" lines, comments. Setting a value
// edits the one line concerned and keeps every other line as it was, so that keys and
// comments written by others survive a save. Section and key names match without regard to
// the case of ASCII letters, as the system's own profile functions do.
#pragma once

#include <string>
#include <vector>

namespace mavrel {

class IniDocument {
public:
    IniDocument() = default;
    // Accepts CR LF or LF line ends and a UTF-8 byte order mark.
    explicit IniDocument(const std::string& text);

    // The value of the first `key` in a section `section`, its enclosing double quotes
    // removed; false when there is none.
    bool Get(const std::string& section, const std::string& key, std::string* value) const;

    // Stores `value` under `key`, replacing the first such line of the section and dropping
    // its repeats; adds the key, and the section, when they are missing. With `quoted` the
    // value is written between double quotes so that its leading and trailing blanks
    // survive. A line break inside the value cannot be held and is stored as a blank.
    void Set(const std::string& section, const std::string& key, const std::string& value,
             bool quoted);

    // The whole file, lines ended by CR LF.
    std::string Text() const;

private:
    std::vector<std::string> m_lines;
};

}  // namespace mavrel
