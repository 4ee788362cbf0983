// Calendar arithmetic on local seconds against the C library's UTC
// calendar, over random moments of the whole scale (1970 to 2106).
#include <gtest/gtest.h>

#include <ctime>
#include <random>

#include "builtins/caltime.h"

namespace {

TEST(CalendarTime, BreakDownAndComposeAgreeWithTheCLibrary) {
  std::mt19937 rng(2106);
  std::uniform_int_distribution<uint32_t> any(1, kTimeMax);
  for (int i = 0; i < 200000; ++i) {
    const uint32_t t = i == 0 ? kTimeMax : any(rng);
    time_t tt = time_t(t);
    struct tm want;
    gmtime_r(&tt, &want);
    const AwkTm got = *awk_time2tm(t);
    ASSERT_EQ(got.year, want.tm_year) << t;
    ASSERT_EQ(got.mon, want.tm_mon) << t;
    ASSERT_EQ(got.mday, want.tm_mday) << t;
    ASSERT_EQ(got.yday, want.tm_yday) << t;
    ASSERT_EQ(got.wday, want.tm_wday) << t;
    ASSERT_EQ(got.hour * 3600 + got.min * 60 + got.sec,
              want.tm_hour * 3600 + want.tm_min * 60 + want.tm_sec) << t;
    ASSERT_EQ(awk_mktime(&got), t);
  }
}

TEST(CalendarTime, EdgesOfTheScale) {
  struct Case {
    int year, mon, day;
    int64_t hour;
    uint32_t want;
  } cases[] = {
      {80, 0, 1, 0, 315532800u},        // 1980-01-01
      {99, 11, 32, 0, 946684800u},      // 1999-12-32 is 2000-01-01
      {200, 2, 1, 0, 4107542400u},      // 2100-03-01: 2100-02-29 does not exist
      {200, 1, 29, 0, 4107542400u},
      {206, 1, 7, 6, 4294965600u},      // 2106-02-07 06:00
      {206, 1, 8, 0, kTimeMax},         // past the end: the last second, no wrap
      {200, 0, 1, 1LL << 40, kTimeMax},
      {70, 0, 0, 0, 0},                 // before the start: 0
  };
  for (const Case& c : cases)
    EXPECT_EQ(awk_cvttime(c.year, c.mon, c.day, c.hour, 0, 0), c.want) << c.year << "-" << c.mon;
}

TEST(CalendarTime, LocalSecondsFollowTheZone) {
  setenv("TZ", "America/New_York", 1);
  tzset();
  EXPECT_EQ(awk_gm2loctime(1593604800), 1593604800u - 4 * 3600);  // 2020-07-01 12:00 UTC, EDT
  EXPECT_EQ(awk_gm2loctime(1579089600), 1579089600u - 5 * 3600);  // 2020-01-15 12:00 UTC, EST
  EXPECT_EQ(awk_gm2loctime(-100000), 0u);
  EXPECT_EQ(awk_gm2loctime(int64_t(1) << 33), kTimeMax);
  setenv("TZ", "UTC", 1);
  tzset();
}

}  // namespace
