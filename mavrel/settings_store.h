// The settings as keys of the section [Brindlow] in a plain INI file the user can read.
#pragma once

#include <string>

namespace mavrel {

class SettingsStore {
public:
    // Finds the settings file (see settings_location.h); may be called again.
    void Locate();
    bool IsLocated() const { return !m_path.empty(); }

    // The value last saved under `key`; empty text for a key never saved, and for every key
    // while the file cannot be read or holds more than 1 MB.
    std::string Read(const std::string& key) const;

    // Saves one value, rewriting the whole file with every key it already held. With
    // `quoted` leading and trailing blanks of the value survive. False when the file could
    // not be read (or is over 1 MB) or written; it then keeps its former content.
    bool Write(const std::string& key, const std::string& value, bool quoted);

private:
    std::string m_path;
};

}  // namespace mavrel
