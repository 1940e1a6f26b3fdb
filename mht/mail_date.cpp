#include "mht/mail_date.h"

#include <cstdio>

namespace mht {

std::string FormatMailDate(int year, int month, int day, int hour, int minute, int second) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (month < 1 || month > 12) month = 1;
    // Sakamoto's weekday rule for the Gregorian calendar.
    static const int kMonthOffsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = month < 3 ? year - 1 : year;
    int weekday = (y + y / 4 - y / 100 + y / 400 + kMonthOffsets[month - 1] + day) % 7;
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[weekday], day,
                  kMonths[month - 1], year, hour, minute, second);
    return text;
}

}  // namespace mht
