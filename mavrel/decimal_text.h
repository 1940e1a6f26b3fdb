// Whole numbers as decimal text, as the settings file and the form hold them.
#pragma once

#include <string>

namespace mavrel {

std::string FormatDecimal(int value);

// The value of the leading decimal digits after optional blanks and a sign; text that does
// not start with a number gives 0, and a number beyond the range of int gives the nearest
// end of the range.
int ParseDecimal(const std::string& text);

}  // namespace mavrel
