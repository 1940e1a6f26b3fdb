// The product's About box.
#pragma once

#include <windows.h>

namespace mavrel {

// Shows the box modally over `owner` until OK, Enter, Esc or the close box ends it.
void ShowAboutBox(HWND owner);

}  // namespace mavrel
