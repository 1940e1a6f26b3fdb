// Line ends of a fetched page: every line feed is written as CR LF. A CR LF already there stays
// as it is; every other byte, NUL included, is kept.
#pragma once

#include <string>

std::string ToCrLf(const std::string& body);
