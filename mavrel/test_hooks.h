// Entry points of mavrel.dll meant only for its tests.
#pragma once

#include "core/ccore.h"

// Makes every later CCore::autoFileConfig use `iniPath` instead of the user's settings file,
// so that tests never touch real settings. Null or empty text restores the normal location.
extern "C" MAVREL_API void mavrel_SetConfigPathForTests(const char* iniPath);
