// time, ctime and timetab over local seconds (see caltime.h).
//
// time() is the clock now; time(year, ...) composes a moment from fields,
// checking only the year and month ranges (day, hour, minute and second
// run over into the next unit). Results live in int cells as unsigned
// 32-bit values; past 2106-02-07 06:28:15 the clock reads as that last
// second instead of wrapping back to 1970.
#include <cstdio>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "builtins/caltime.h"
#include "builtins/pack.h"
#include "diag/oops.h"

namespace {

constexpr char kDayNames[] = "SunMonTueWedThuFriSat";
constexpr char kMonthNames[] = "JanFebMarAprMayJunJulAugSepOctNovDec";

void retTime(uint32_t t) { cellSetInt(awk_retval, int32_t(t)); }

uint32_t timeArg(int argc, Cell* args, int i) {
  if (argc <= i) return awk_time();
  if (args[i].tag != Tag::Int) awk_assert2(0x8301);
  return uint32_t(args[i].w.i);
}

}  // namespace

void b_time(int argc, Cell* args) {
  if (argc == 0) {
    retTime(awk_time());
    return;
  }
  int32_t f[6] = {0, 1, 1, 0, 0, 0};
  for (int i = 0; i < argc && i < 6; ++i) {
    if (args[i].tag != Tag::Int) awk_assert2(0x8302);
    f[i] = args[i].w.i;
    if (f[i] < 0) {
      retTime(0);
      return;
    }
  }
  if (f[0] < 1980 || f[0] > 2100) {
    oops('w', "Time() function year must be in range 1980 - 2100");
    retTime(0);
    return;
  }
  if (f[1] < 1 || f[1] > 12) {
    oops('w', "Time() function month must be in range 1 - 12");
    retTime(0);
    return;
  }
  AwkTm tm{};
  tm.year = int16_t(f[0] - 1900);
  tm.mon = int16_t(f[1] - 1);
  // The day and the time of day can exceed 16 bits; compose from the ints.
  retTime(awk_cvttime(tm.year, tm.mon, f[2], f[3], f[4], f[5]));
}

void b_ctime(int argc, Cell* args) {
  uint32_t t = timeArg(argc, args, 0);
  if (t == 0) {
    cellSetString(awk_retval, stringDup(string_empty));
    return;
  }
  const AwkTm* tm = awk_time2tm(t);
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%3.3s %3.3s %02d %02d:%02d:%02d %4d",
                        kDayNames + 3 * tm->wday, kMonthNames + 3 * tm->mon, tm->mday,
                        tm->hour, tm->min, tm->sec, tm->year + 1900);
  cellSetString(awk_retval, stringNew1(buf, uint32_t(n)));
}

void b_timetab(int argc, Cell* args) {
  if (argc < 1 || args[0].tag != Tag::Array) awk_assert2(0x8303);
  const AwkTm* tm = awk_time2tm(timeArg(argc, args, 1));
  const int16_t fields[8] = {tm->sec, tm->min, tm->hour, tm->mday,
                             int16_t(tm->mon + 1), int16_t(tm->year + 1900),
                             int16_t(tm->wday + 1), int16_t(tm->yday + 1)};
  unsigned char rec[16];
  for (int i = 0; i < 8; ++i) {
    rec[2 * i] = uint8_t(uint16_t(fields[i]) >> 8);
    rec[2 * i + 1] = uint8_t(fields[i]);
  }
  static constexpr char kTemplate[] =
      "SEC@s MIN@s HOUR@s DAY@s MONTH@s YEAR@s WEEKDAY@s YEARDAY@s";
  awk_unpack(kTemplate, sizeof kTemplate - 1, rec, sizeof rec, args[0].w.t);
}
