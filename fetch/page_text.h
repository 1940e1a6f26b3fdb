// The text a fetched page is saved as: every line feed written as CR LF (a CR LF already there
// stays as it is) and every "(at)" written as "@". Every other byte, NUL included, is kept.
#pragma once

#include <string>
#include <string_view>

// Bytes PageText(body) will hold, counted without making it.
size_t PageTextSize(std::string_view body);

// Made in one pass into a text allocated once at its final size, so that a page costs its body
// and its text, no more. "(at)" is matched case-sensitively, left to right, and only where a
// character of the process code page begins in the text being made (a GBK trail byte is never
// taken for its "(").
std::string PageText(std::string_view body);
