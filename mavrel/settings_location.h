// Where the settings file lives: %APPDATA%\Brindlow\brindlow.ini.
#pragma once

#include <string>

namespace mavrel {

// The full path of the settings file, its folder created when missing; empty when the
// user's application-data folder cannot be found.
std::string LocateSettingsFile();

}  // namespace mavrel
