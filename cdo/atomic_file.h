// A file written whole or not at all: the bytes go to a temporary file in the same folder,
// which then takes the target's name in one rename. A reader never sees half a file, and a
// failure leaves the target as it was.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace cdo {

// `overwrite` false fails (HRESULT of ERROR_ALREADY_EXISTS) when the target exists.
HRESULT WriteFileAtomically(const std::wstring& path, std::string_view bytes, bool overwrite);

}  // namespace cdo
