// Receiving signals. The handler runs asynchronously and only stores: the
// delivery's detail code, the pending count of its entry, awk_intflag and
// the statement counter. Everything else happens at the interpreter's
// polling points (interp/sigprocess.cpp).
#include "diag/position.h"
#include "host/signals.h"
#include "program/runstate.h"

void awk_sighandler(int signo, siginfo_t* info, void* /*context*/) {
  // An arithmetic fault raised by the processor cannot be returned from:
  // the faulting instruction would run again, for ever.
  if (signo == SIGFPE && info && info->si_code > 0) awk_sigfault(signo, info, nullptr);
  AwkSig* e = awk_sigentry(signo);
  if (!e) return;
  const SigAction a = e->action;
  if (a == SigAction::Fail || a == SigAction::Ignore) return;
  if (a == SigAction::Default && !e->terminates) return;
  e->code = info ? info->si_code : 0;
  awk_time_counter = 0;
  e->pending = e->pending + 1;
  awk_intflag = awk_intflag + 1;
}
