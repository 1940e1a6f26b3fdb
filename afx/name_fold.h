// File names as Windows compares them: two names are one file when they are equal once each
// UTF-16 code unit is upper-cased by the system's table, as CompareStringOrdinal compares when
// it ignores case (and as the file systems and Wine look names up). Letter case beyond ASCII
// counts too: "ПРИВЕТ" and "привет", "ＡＢＣ" and "ａｂｃ" are one file. Kept free of Windows
// headers so that the logic comparing names builds on any host.
#pragma once

#include <string>
#include <string_view>

namespace afx {

// `name` (text of the ANSI code page) in the form that is equal for exactly the names Windows
// takes for one file: as UTF-16, every code unit upper-cased.
std::wstring FoldedFileName(std::string_view name);

}  // namespace afx
