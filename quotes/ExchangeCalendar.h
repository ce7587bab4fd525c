// The Hong Kong exchange's calendar: which days it trades, and which of them
// it trades only in the morning. Weekends never trade; the weekdays the
// exchange closes or trades half a day are listed year by year (see
// ExchangeCalendar.cpp). A year past the list knows no holidays: its weekdays
// count as trading days.
#pragma once

#include <cstdint>

enum class ExchangeDay {
    trading,  // morning and afternoon sessions
    halfDay,  // the morning session only
    weekend,
    holiday,
};

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t daysFromCivil(int year, int month, int day);

// The date of a day counted from 1970-01-01, as YYYYMMDD (e.g. 20261207).
int civilFromDays(std::int64_t days);

// What the exchange does on a date (days since 1970-01-01, Hong Kong's).
ExchangeDay exchangeDayOf(std::int64_t days);
