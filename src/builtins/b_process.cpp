// system, spawn and sleep: the builtins over the command runner, and the
// pause with millisecond precision.
#include <cerrno>
#include <cmath>
#include <ctime>
#include <unistd.h>

#include "builtins/btable.h"
#include "builtins/process.h"
#include "io/stream.h"
#include "diag/oops.h"
#include "values/arith.h"
#include "values/convert.h"

namespace {

constexpr int64_t kMaxSleepMs = int64_t(864000) * 1000;   // ten days

// Milliseconds of a sleep argument: whole seconds for an integer, the
// fraction to the millisecond for a float; at most ten days, nothing for
// zero, negative or not-a-number values.
int64_t sleepMillis(const Cell* arg) {
  Cell n;
  awk_cvtn(arg, &n);
  if (n.tag == Tag::Int) {
    if (n.w.i <= 0) return 0;
    return n.w.i >= 864000 ? kMaxSleepMs : int64_t(n.w.i) * 1000;
  }
  awk_mathchk();
  const double d = n.x.d;
  if (!(d > 0)) return 0;
  if (d >= 864000) return kMaxSleepMs;
  return int64_t(d * 1000);
}

}  // namespace

// system(command): the command's exit code.
void b_system(int argc, Cell* args) {
  if (argc != 1) awk_assert2(0x8601);
  AwkString* cmd = awk_a2s(&args[0]);
  cellSetInt(awk_retval, awk_system(cmd, kRunWait));
  stringFree(cmd);
}

// spawn(command [, env [, mode]]): the exit code (mode 0) or the started
// process's id (mode 1). env defaults to ENVIRON; a non-array gives an
// empty environment. The pipe modes have no stream to hand back here and
// run the command to its end like mode 0.
void b_spawn(int argc, Cell* args) {
  if (argc < 1 || argc > 3) awk_assert2(0x8602);
  Cell* env = argc >= 2 ? &args[1] : awk_environcell();
  int32_t mode = argc >= 3 ? awk_a2l(&args[2]) : kRunWait;
  awk_flushall(0);
  AwkString* cmd = awk_a2s(&args[0]);
  cellSetInt(awk_retval, awk_runcmd(cmd, env, mode, nullptr));
  stringFree(cmd);
}

// sleep(seconds [, milliseconds]): no result. Whole seconds are slept with
// sleep(), the rest with nanosleep(); a signal cuts the pause short.
void b_sleep(int argc, Cell* args) {
  if (argc < 1 || argc > 2) awk_assert2(0x8603);
  int64_t ms = sleepMillis(&args[0]);
  if (argc == 2) ms += awk_a2l(&args[1]);
  if (ms <= 0) return;
  if (ms >= 1000 && sleep(unsigned(ms / 1000)) != 0) return;
  struct timespec ts = {0, long(ms % 1000) * 1000000L};
  if (ts.tv_nsec) nanosleep(&ts, nullptr);
}
