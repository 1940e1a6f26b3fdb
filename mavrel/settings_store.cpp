#include "mavrel/settings_store.h"

#include "mavrel/file_content.h"
#include "mavrel/ini_document.h"
#include "mavrel/settings_location.h"

namespace mavrel {

namespace {

const char kSection[] = "Brindlow";

}  // namespace

void SettingsStore::Locate() {
    m_path = LocateSettingsFile();
}

std::string SettingsStore::Read(const std::string& key) const {
    std::string text, value;
    if (m_path.empty() || ReadFileContent(m_path, &text) != ReadOutcome::kRead)
        return std::string();
    return IniDocument(text).Get(kSection, key, &value) ? value : std::string();
}

bool SettingsStore::Write(const std::string& key, const std::string& value, bool quoted) {
    if (m_path.empty() || key.empty()) return false;
    std::string text;
    // A missing file starts an empty one; a file that exists but cannot be read is not
    // replaced, or the keys it holds would be lost.
    if (ReadFileContent(m_path, &text) == ReadOutcome::kFailed) return false;
    IniDocument document(text);
    document.Set(kSection, key, value, quoted);
    text = document.Text();
    return ReplaceFileContent(m_path, text.data(), text.size());
}

}  // namespace mavrel
