#include "podcast/rss_date.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace sonthra::podcast {

namespace {

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Days from 1970-01-01 to the date in the proleptic Gregorian calendar.
long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool validDate(int y, int m, int d) {
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    static constexpr int kLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= kLength[m - 1] + (m == 2 && leap ? 1 : 0);
}

}  // namespace

std::string GetDateTimeInRSSFormat(const CivilDate& date, std::time_t now) {
    const long long days = daysFromCivil(date.year, date.month, date.day);
    const int weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    std::tm utc{};
    gmtime_r(&now, &utc);
    const int month = date.month >= 1 && date.month <= 12 ? date.month : 1;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[weekday],
                  date.day, kMonths[month - 1], date.year, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

std::string isoDateText(const CivilDate& date) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::optional<CivilDate> parseDateText(const std::string& text) {
    int y = 0;
    int m = 0;
    int d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) >= 3 &&
        (tail == 0 || tail == ' ' || tail == 'T')) {
        if (validDate(y, m, d)) return CivilDate{y, m, d};
        return std::nullopt;
    }
    char day[8] = {};
    char month[8] = {};
    if (std::sscanf(text.c_str(), "%3[A-Za-z], %2d %3[A-Za-z] %4d", day, &d, month, &y) == 4) {
        for (int i = 0; i < 12; ++i) {
            if (std::strcmp(month, kMonths[i]) == 0 && validDate(y, i + 1, d)) {
                return CivilDate{y, i + 1, d};
            }
        }
    }
    return std::nullopt;
}

CivilDate todayLocal() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CivilDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace sonthra::podcast
