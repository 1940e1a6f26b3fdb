#include "mavrel/settings_store.h"

#include "afx/path_calls.h"
#include "afx/whole_file.h"
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
    return SUCCEEDED(afx::WriteWholeFile(afx::WidePath(m_path.c_str()), text, true));
}

}  // namespace mavrel
