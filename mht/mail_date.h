#pragma once

#include <string>

namespace mht {

// A Date header value in UTC, "Mon, 07 Dec 2026 22:04:45 GMT" (RFC 5322); the weekday is worked
// out from the date. Months count from 1.
std::string FormatMailDate(int year, int month, int day, int hour, int minute, int second);

}  // namespace mht
