// The open-file dialog for choosing a text file.
#pragma once

#include <windows.h>

#include <string>

namespace mavrel {

// Runs the dialog modally over `owner`; the chosen path, or empty text when the user
// cancels or the dialog fails.
std::string ChooseTextFile(HWND owner);

}  // namespace mavrel
