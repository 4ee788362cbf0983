// The fault reporter: a program fault (bad memory access, illegal
// instruction, bad system call) is reported with the AWK source line that
// was running, and the run ends as after a fatal error.
//
// The reporter first gives the signal back to the host default, so that a
// second fault while reporting ends the process instead of looping. It runs
// on an alternate signal stack, so that a fault caused by running out of
// native stack can still be reported.
#include <unistd.h>

#include <cstring>

#include "host/signals.h"
#include "diag/oops.h"

namespace {

struct FaultSignal {
  int signo;
  const char* text;
};

constexpr FaultSignal kFaults[] = {
    {SIGILL, "SIGILL: illegal instruction"},
#ifdef SIGEMT
    {SIGEMT, "SIGEMT: unemulated instruction"},
#endif
    {SIGBUS, "SIGBUS: improperly aligned data access"},
    {SIGSEGV, "SIGSEGV: segmentation fault"},
    {SIGSYS, "SIGSYS: bad system call"},
};

constexpr size_t kAltStackSize = 128 * 1024;
alignas(16) char altStack[kAltStackSize];
bool altStackSet;

void put(const char* s) {
  size_t n = std::strlen(s);
  while (n > 0) {
    ssize_t w = write(2, s, n);
    if (w <= 0) return;
    s += w;
    n -= size_t(w);
  }
}

}  // namespace

const char* awk_faulttext(int signo) {
  for (const FaultSignal& f : kFaults)
    if (f.signo == signo) return f.text;
  // Not installed here: SIGFPE belongs to SIGNAL, and comes to the reporter
  // only from the signal handler, when the processor raised it.
  if (signo == SIGFPE) return "SIGFPE: arithmetic exception";
  return nullptr;
}

void awk_sigfault(int signo, siginfo_t* /*info*/, void* /*context*/) {
  signal(signo, SIG_DFL);
  put("vorn: program killed by ");
  const char* text = awk_faulttext(signo);
  put(text ? text : "unknown signal");
  put("\n");
  oops('f', "signal may have occured near here");
}

void awk_faultinit() {
  if (!altStackSet) {
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = kAltStackSize;
    altStackSet = sigaltstack(&ss, nullptr) == 0;
  }
  struct sigaction sa {};
  sigemptyset(&sa.sa_mask);
  sa.sa_sigaction = awk_sigfault;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
  for (const FaultSignal& f : kFaults) sigaction(f.signo, &sa, nullptr);
}
