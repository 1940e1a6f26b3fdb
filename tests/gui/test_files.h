// Files the GUI tests set up around the program: its settings file and scratch folders.
#pragma once

#include <string>
#include <vector>

namespace gui {

// %APPDATA%\Brindlow\brindlow.ini of the Wine prefix the tests run in: where the program
// keeps its three settings, section [Brindlow].
std::string SettingsPath();
// Replaces the settings file with `text` (CR LF lines).
void WriteSettings(const std::string& text);
void DeleteSettings();
bool SettingsExist();
// A value of section [Brindlow], read as the system's profile functions read it; `missing`
// when there is no such key.
std::string SettingValue(const std::string& key, const std::string& missing = "<none>");

// Every file of `folder` (names only, sorted).
std::vector<std::string> FilesIn(const std::string& folder);
// The whole content of a file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* content);

// A new folder under the temporary folder, removed with all it holds at destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Creates `name` (a folder or nested folders) inside; returns its full path.
    std::string MakeFolder(const std::string& name) const;
    // Creates nested folders inside whose full path is `length` characters long (names of at
    // most 100 characters; paths past MAX_PATH too); returns that path.
    std::string MakeFolderOfLength(size_t length) const;
    // Writes `content` to the file `name` inside; returns its full path.
    std::string WriteFile(const std::string& name, const std::string& content) const;

private:
    std::string m_path;
};

}  // namespace gui
