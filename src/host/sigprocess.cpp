// Receiving and processing signals.
//
// The handler runs asynchronously and only stores: the delivery's detail
// code, the pending count of its entry, awk_intflag and the statement
// counter. Everything else happens at the polling points, between
// statements and between records, where the run-time is in a consistent
// state: a pending signal whose action is not a function ends the run in
// order (output flushed, status 255); pending function actions become one
// call each, however many deliveries were recorded.
#include <cstdio>

#include "host/signals.h"
#include "interp/interp.h"
#include "io/stream.h"
#include "runtime/oops.h"
#include "runtime/startup.h"
#include "values/strobj.h"

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

void awk_processint(int abortOnly) {
  if (awk_nomoreints) return;
  for (AwkSig* e = awksig; e->name; ++e) {
    if (e->pending == 0 || e->action == SigAction::Call) continue;
    awk_intflag = 0;
    awk_flushall(1);
    std::fputs("\r\n", stderr);
    oops('M', "program aborted by %s signal", e->name);
    awk_exit(255, 1);
  }
  if (abortOnly) return;
  awk_intflag = 0;
  for (AwkSig* e = awksig; e->name; ++e) {
    if (e->pending == 0 || e->action != SigAction::Call) continue;
    e->pending = 0;
    Cell args[2];
    cellSetString(&args[0], stringNew(e->name));
    cellSetInt(&args[1], int32_t(e->code));
    awkin(e->handler, 2, args, nullptr);
    stringFree(args[0].w.s);
  }
}
