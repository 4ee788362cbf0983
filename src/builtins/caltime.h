// Local seconds and the calendar: the time scale every time builtin uses.
//
// A time value is an unsigned 32-bit count of seconds since 1970-01-01
// 00:00:00 of the local wall clock, held in an int cell (so values after
// 2038-01-19 read as negative numbers in AWK; every service here takes them
// back as unsigned). 0 stands for "no time".
#pragma once
#include <cstdint>

// The last second the scale can hold: Sun Feb 07 06:28:15 2106.
inline constexpr uint32_t kTimeMax = 0xFFFFFFFFu;

// Broken-down time, nine 16-bit fields in this order.
struct AwkTm {
  int16_t sec, min, hour;
  int16_t mday;   // 1-31
  int16_t mon;    // 0-11
  int16_t year;   // year - 1900
  int16_t wday;   // 0 = Sunday
  int16_t yday;   // 0-365
  int16_t isdst;  // always 0
};

// Seconds since the epoch (UTC) to local seconds, using the zone's offset at
// that moment (daylight time included). Moments the scale cannot hold are
// clamped: before 1970 local gives 0, after kTimeMax gives kTimeMax, so a
// time never wraps around into another date.
uint32_t awk_gm2loctime(int64_t t);
// Now, in local seconds.
uint32_t awk_time();
// Local seconds broken down. The record is static: the next call reuses it.
const AwkTm* awk_time2tm(uint32_t t);
// Composes local seconds from fields that are not normalised (a day of 32
// runs into the next month); the result is clamped like awk_gm2loctime.
uint32_t awk_cvttime(int year1900, int mon, int64_t mday, int64_t hour, int64_t min,
                     int64_t sec);
uint32_t awk_mktime(const AwkTm* tm);
// 2100 is the only year divisible by 4 the scale meets that is not a leap year.
inline bool awk_leapyear(int year) { return year % 4 == 0 && year != 2100; }
