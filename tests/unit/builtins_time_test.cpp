// Calendar arithmetic on local seconds against the C library's UTC
// calendar over random moments of the whole scale (1970 to 2106), and the
// clamping at both ends of the scale.
#include <gtest/gtest.h>

#include <array>
#include <ctime>
#include <random>

#include "builtins/caltime.h"

TEST(CalendarTime, BreakDownAndComposeAgreeWithTheCLibrary) {
  std::mt19937 rng(2106);
  std::uniform_int_distribution<uint32_t> any(1, kTimeMax);
  for (int i = 0; i < 200000; ++i) {
    const uint32_t t = i == 0 ? kTimeMax : any(rng);
    const time_t tt = time_t(t);
    struct tm w;
    gmtime_r(&tt, &w);
    const AwkTm g = *awk_time2tm(t);
    ASSERT_EQ((std::array<int, 8>{g.year, g.mon, g.mday, g.yday, g.wday, g.hour, g.min, g.sec}),
              (std::array<int, 8>{w.tm_year, w.tm_mon, w.tm_mday, w.tm_yday, w.tm_wday,
                                  w.tm_hour, w.tm_min, w.tm_sec})) << t;
    ASSERT_EQ(awk_mktime(&g), t);
  }
}

TEST(CalendarTime, EdgesOfTheScale) {
  struct Case { int year, mon, day; int64_t hour; uint32_t want; } cases[] = {
      {80, 0, 1, 0, 315532800u},       {99, 11, 32, 0, 946684800u},  // 1999-12-32 = 2000-01-01
      {200, 2, 1, 0, 4107542400u},     {200, 1, 29, 0, 4107542400u}, // 2100 is not leap
      {206, 1, 7, 6, 4294965600u},     {206, 1, 8, 0, kTimeMax},     // no wrap past 2106
      {200, 0, 1, 1LL << 40, kTimeMax}, {70, 0, 0, 0, 0},             // none before 1970
  };
  for (const Case& c : cases)
    EXPECT_EQ(awk_cvttime(c.year, c.mon, c.day, c.hour, 0, 0), c.want) << c.year << "-" << c.mon;
  EXPECT_EQ(awk_gm2loctime(-100000), 0u);
  EXPECT_EQ(awk_gm2loctime(int64_t(1) << 33), kTimeMax);
}
