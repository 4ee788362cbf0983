// Calendar arithmetic on local seconds.
//
// The system clock is shifted once into local seconds (awk_gm2loctime, with
// the zone's offset at that moment, so daylight time is honoured); from then
// on dates are composed and broken down with plain arithmetic on 365-day
// years plus counted leap days, with no time-zone rules. The scale runs from
// 1970 to 2106-02-07; on it a year is a leap year when it is divisible by 4,
// except 2100. Results that fall outside the scale are clamped to its ends,
// never wrapped.
#include "builtins/caltime.h"

#include <ctime>

namespace {

constexpr int kDaysBefore[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};

constexpr int64_t kDay = 86400;
constexpr int64_t kYear = 365 * kDay;

uint32_t clampTime(int64_t t) {
  if (t < 0) return 0;
  if (t > int64_t(kTimeMax)) return kTimeMax;
  return uint32_t(t);
}

// Leap days in the years 1970 .. 1970 + n - 1.
int64_t leapDaysBefore(int64_t n) {
  int64_t l = (n + 1) / 4;
  if (n > 130) --l;  // 2100 (n = 130) is counted by the rule of four but is common
  return l;
}

}  // namespace

uint32_t awk_gm2loctime(int64_t t) {
  time_t tt = time_t(t);
  struct tm tm;
  if (localtime_r(&tt, &tm)) t += tm.tm_gmtoff;
  return clampTime(t);
}

uint32_t awk_time() { return awk_gm2loctime(int64_t(std::time(nullptr))); }

const AwkTm* awk_time2tm(uint32_t t) {
  static AwkTm out;
  int64_t n = t / kYear;
  int64_t r = int64_t(t % kYear) - leapDaysBefore(n) * kDay;
  while (r < 0) {
    --n;
    r += kYear + (awk_leapyear(int(1970 + n)) ? kDay : 0);
  }
  const int year = int(1970 + n);
  const int yday = int(r / kDay);
  const int64_t secs = r % kDay;
  const int* before = kDaysBefore[awk_leapyear(year)];
  int mon = 0;
  while (mon < 11 && before[mon + 1] <= yday) ++mon;
  out.sec = int16_t(secs % 60);
  out.min = int16_t(secs / 60 % 60);
  out.hour = int16_t(secs / 3600);
  out.mday = int16_t(yday - before[mon] + 1);
  out.mon = int16_t(mon);
  out.year = int16_t(year - 1900);
  out.wday = int16_t(((year - 1970) * 365 + leapDaysBefore(n) + yday + 4) % 7);
  out.yday = int16_t(yday);
  out.isdst = 0;
  return &out;
}

uint32_t awk_cvttime(int year1900, int mon, int64_t mday, int64_t hour, int64_t min,
                     int64_t sec) {
  const int year = year1900 + 1900;
  if (mon < 0 || mon > 11) return 0;
  const int64_t days = int64_t(year - 1970) * 365 - 1 + mday +
                       kDaysBefore[awk_leapyear(year)][mon] + leapDaysBefore(year - 1970);
  // Fields are plain 32-bit ints, so the sum stays far inside 64 bits.
  return clampTime(days * kDay + hour * 3600 + min * 60 + sec);
}

uint32_t awk_mktime(const AwkTm* tm) {
  return awk_cvttime(tm->year, tm->mon, tm->mday, tm->hour, tm->min, tm->sec);
}
