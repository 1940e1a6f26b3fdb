#include "mavrel/settings_store.h"

#include "afx/path_calls.h"
#include "afx/whole_file.h"
#include "mavrel/file_content.h"
#include "mavrel/ini_document.h"
#include "mavrel/settings_location.h"

namespace mavrel {

namespace {

const char kSection[] = "Brindlow";

// Three short values fit in a few hundred bytes. A file far larger than any the program
// writes is not its settings (or is damaged): read whole at every start it could exhaust
// memory, so it is treated as unreadable.
constexpr size_t kMaxSettingsFileBytes = 1024 * 1024;

}  // namespace

void SettingsStore::Locate() {
    m_path = LocateSettingsFile();
}

std::string SettingsStore::Read(const std::string& key) const {
    std::string text, value;
    if (m_path.empty() ||
        ReadFileContent(m_path, &text, kMaxSettingsFileBytes) != ReadOutcome::kRead)
        return std::string();
    return IniDocument(text).Get(kSection, key, &value) ? value : std::string();
}

bool SettingsStore::Write(const std::string& key, const std::string& value, bool quoted) {
    if (m_path.empty() || key.empty()) return false;
    std::string text;
    // A missing file starts an empty one; a file that exists but cannot be read, or is too
    // large to be read, is not replaced, or what it holds would be lost. The settings are then
    // not saved until the user removes or repairs it.
    const ReadOutcome read = ReadFileContent(m_path, &text, kMaxSettingsFileBytes);
    if (read != ReadOutcome::kRead && read != ReadOutcome::kMissing) return false;
    IniDocument document(text);
    document.Set(kSection, key, value, quoted);
    text = document.Text();
    return SUCCEEDED(afx::WriteWholeFile(afx::WidePath(m_path.c_str()), text, true));
}

}  // namespace mavrel
