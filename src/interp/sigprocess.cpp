// Processing recorded signals at the polling points, between statements
// and between records, where the run-time is in a consistent state: a
// pending signal whose action is not a function ends the run in order
// (output flushed, status 255); pending function actions become one call
// each, however many deliveries were recorded. Recording them is the
// signal layer's handler (host/sigprocess.cpp).
#include <cstdio>

#include "diag/oops.h"
#include "host/signals.h"
#include "interp/interp.h"
#include "io/stream.h"
#include "program/runstate.h"
#include "values/strobj.h"

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
