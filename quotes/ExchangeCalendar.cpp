#include "quotes/ExchangeCalendar.h"

#include <algorithm>
#include <iterator>

namespace {

struct ListedDay {
    int date;  // YYYYMMDD
    ExchangeDay kind;
};

constexpr ExchangeDay closed = ExchangeDay::holiday;
constexpr ExchangeDay morning = ExchangeDay::halfDay;

// The weekdays of each year on which the exchange does not trade a full day,
// in date order: the territory's general holidays that fall on a weekday
// (with the substitutes declared for those that fall on a Sunday), and the
// half days of Christmas Eve, New Year's Eve and Lunar New Year's Eve when
// they are trading weekdays. Add each year's list as it is published.
constexpr ListedDay listedDays[] = {
    {20260101, closed},   // The first day of January
    {20260216, morning},  // Lunar New Year's Eve
    {20260217, closed},   // Lunar New Year's Day
    {20260218, closed},   // The second day of Lunar New Year
    {20260219, closed},   // The third day of Lunar New Year
    {20260403, closed},   // Good Friday
    {20260406, closed},   // The day following Ching Ming Festival (Sunday 5 April)
    {20260407, closed},   // The day following Easter Monday (in place of the above)
    {20260501, closed},   // Labour Day
    {20260525, closed},   // The day following the Birthday of the Buddha (Sunday 24 May)
    {20260619, closed},   // Tuen Ng Festival
    {20260701, closed},   // HKSAR Establishment Day
    {20261001, closed},   // National Day
    {20261019, closed},   // The day following Chung Yeung Festival (Sunday 18 October)
    {20261224, morning},  // Christmas Eve
    {20261225, closed},   // Christmas Day
    {20261231, morning},  // New Year's Eve
    {20270101, closed},   // The first day of January
    {20270205, morning},  // Lunar New Year's Eve
    {20270208, closed},   // The third day of Lunar New Year
    {20270209, closed},   // The fourth day of Lunar New Year (the second is Sunday 7 February)
    {20270326, closed},   // Good Friday
    {20270329, closed},   // Easter Monday
    {20270405, closed},   // Ching Ming Festival
    {20270513, closed},   // The Birthday of the Buddha
    {20270609, closed},   // Tuen Ng Festival
    {20270701, closed},   // HKSAR Establishment Day
    {20270916, closed},   // The day following the Chinese Mid-Autumn Festival
    {20271001, closed},   // National Day
    {20271008, closed},   // Chung Yeung Festival
    {20271224, morning},  // Christmas Eve
    {20271227, closed},   // The first weekday after Christmas Day
    {20271231, morning},  // New Year's Eve
};

constexpr bool inOrder()
{
    for (std::size_t i = 1; i < std::size(listedDays); ++i)
        if (listedDays[i - 1].date >= listedDays[i].date)
            return false;
    return true;
}
static_assert(inOrder(), "the listed days go in date order, each once");

}  // namespace

// Howard Hinnant's days_from_civil and civil_from_days.
std::int64_t daysFromCivil(int year, int month, int day)
{
    const std::int64_t y = year - (month <= 2);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int civilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2);
    return static_cast<int>(year * 10000 + month * 100 + day);
}

ExchangeDay exchangeDayOf(std::int64_t days)
{
    const int weekday = static_cast<int>(((days + 4) % 7 + 7) % 7);  // 1970-01-01 was a Thursday; 0 is Sunday
    if (weekday == 0 || weekday == 6)
        return ExchangeDay::weekend;
    const int date = civilFromDays(days);
    const auto listed = std::lower_bound(std::begin(listedDays), std::end(listedDays), date,
                                         [](const ListedDay& d, int wanted) { return d.date < wanted; });
    return listed != std::end(listedDays) && listed->date == date ? listed->kind : ExchangeDay::trading;
}
