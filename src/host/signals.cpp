// Signal settings: the special array SIGNAL and the process dispositions it
// decides.
//
// SIGNAL is an ordinary array whose table carries the signal mark, so every
// store or delete into it comes back here (through the arrays layer's
// awk_tabsignal hook) and re-applies all settings at once. Each table entry
// remembers the disposition it was started with and the one the settings
// installed (`disp`): an entry without a SIGNAL element keeps whatever is in
// place (SigAction::Untouched), and around a child command every changed
// disposition is put back to the start-up one and re-installed afterwards,
// so `disp` is what awk_sig_set re-applies for such entries.
//
// An unrecognized value is reported once per value: settings are re-applied
// after every change of SIGNAL and every child command, and the same note
// each time would bury the program's own messages.
//
// Start-up installs the dispositions SIGNAL's first values ask for, but the
// array itself is made only when something needs it (the program reads
// SIGNAL, or settings are re-applied): most programs never look at it, and
// it costs a table and two strings per signal. Until then each entry's
// `action` is the one its first value gives.
#include <cstring>

#include "arrays/table.h"
#include "host/signals.h"
#include "image/format.h"
#include "program/vm.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "values/convert.h"
#include "values/strobj.h"

namespace {

Cell signalValue = {};         // the value of SIGNAL, once made
bool signalArrayPending = false;   // start-up's array is not made yet

namespace gid = vorn::image::gid;

// The action that gives the entry's signal disposition d.
struct sigaction actionFor(const AwkSig& e, SigDisp d) {
  struct sigaction sa {};
  sigemptyset(&sa.sa_mask);
  switch (d) {
    case SigDisp::Original:
      sa = e.original;
      break;
    case SigDisp::Default:
      sa.sa_handler = SIG_DFL;
      break;
    case SigDisp::Ignore:
      sa.sa_handler = SIG_IGN;
      break;
    case SigDisp::Catch:
      sa.sa_sigaction = awk_sighandler;
      sa.sa_flags = SA_SIGINFO;   // no SA_RESTART: a caught signal interrupts reads
      break;
  }
  return sa;
}

// Installs disposition d for the entry's signal.
void install(const AwkSig& e, SigDisp d) {
  const struct sigaction sa = actionFor(e, d);
  sigaction(e.signo, &sa, nullptr);
}

// Whether the signal's original disposition is already d: at start-up most
// signals keep the default they came with, and setting it again would cost a
// system call each.
bool originalIs(const AwkSig& e, SigDisp d) {
  if (e.original.sa_flags & SA_SIGINFO) return false;
  return (d == SigDisp::Default && e.original.sa_handler == SIG_DFL) ||
         (d == SigDisp::Ignore && e.original.sa_handler == SIG_IGN);
}

// The function gid a SIGNAL value names, 0 if it names no AWK function.
int handlerGid(std::string_view name) {
  int g = awk_gname2gid(name);
  if (g < gid::kFunctionFirst || g > gid::kFunctionLast) return 0;
  return g - gid::kFunctionFirst < awk_nfuncs ? g : 0;
}

void forgetNote(AwkSig& e) {
  if (e.noted) stringFree(e.noted);
  e.noted = nullptr;
}

// The action an element value asks for; an unrecognized value is noted
// (unless it is the value noted last time) and gives the default.
SigAction parseValue(AwkSig& e, const Cell* value) {
  AwkString* s = awk_a2s(value);
  SigAction a;
  if (awk_sigword(s->view(), &a)) {
    forgetNote(e);
  } else if (int g = handlerGid(s->view())) {
    a = SigAction::Call;
    e.handler = int16_t(g);
    forgetNote(e);
  } else {
    a = SigAction::Default;
    if (!e.noted || e.noted->view() != s->view()) {
      forgetNote(e);
      oops('n', "unrecognized SIGNAL value: %s", s->text());
      e.noted = stringDup(s);
    }
  }
  stringFree(s);
  return a;
}

// Stores and deletes in a marked table land here; only the table SIGNAL
// holds now matters (a table SIGNAL held earlier loses its mark).
void tableChanged(AwkTable* t) {
  if (signalValue.tag == Tag::Array && signalValue.w.t == t) awk_sig_set();
}

void markSignalTable() {
  if (signalValue.tag == Tag::Array) signalValue.w.t->sigflag = 1;
}

// Settles the entry's disposition for action a. `catcherInPlace`: start-up
// has already installed the catcher of a signal that terminates by default.
void apply(AwkSig& e, SigAction a, bool catcherInPlace) {
  SigDisp d = e.disp;
  switch (a) {
    case SigAction::Ignore: d = SigDisp::Ignore; break;
    case SigAction::Untouched: break;
    case SigAction::Default:
      d = e.terminates ? SigDisp::Catch : SigDisp::Default;
      break;
    default: d = SigDisp::Catch; break;
  }
  // A delivery recorded for a function or an abort that is no longer
  // wanted is dropped, so that it cannot end the run later.
  if (a == SigAction::Ignore || a == SigAction::Fail || (a == SigAction::Default && !e.terminates))
    e.pending = 0;
  const bool inPlace = (e.disp == SigDisp::Original && originalIs(e, d)) ||
                       (catcherInPlace && e.terminates && d == SigDisp::Catch);
  e.action = a;
  e.disp = d;
  if (d != SigDisp::Original && !inPlace) install(e, d);
}

// SIGNAL as start-up leaves it: a marked array of each signal's first
// value, in table order.
void makeSignalArray() {
  if (!signalArrayPending) return;
  signalArrayPending = false;
  AwkTable* t = awk_sanew(32);
  signalValue = Cell{};
  signalValue.tag = Tag::Array;
  signalValue.w.t = t;
  for (const AwkSig* e = awksig; e->name; ++e)
    awk_settab(t, e->name, Tag::String,
               intptr_t(stringNew(e->action == SigAction::Ignore ? "IGNORE" : "DEFAULT")));
  markSignalTable();
}

}  // namespace

void awk_sig_set() {
  makeSignalArray();
  const bool isArray = signalValue.tag == Tag::Array;
  for (AwkSig* e = awksig; e->name; ++e) {
    AwkSlot* slot = isArray ? awk_stfindb(signalValue.w.t, e->name, uint32_t(std::strlen(e->name)))
                            : nullptr;
    SigAction a;
    if (slot) {
      a = parseValue(*e, &slot->value);
    } else {
      a = e->action == SigAction::Call ? SigAction::Default : SigAction::Untouched;
      forgetNote(*e);
    }
    apply(*e, a, false);
  }
}

void awk_sig_reset() {
  for (AwkSig* e = awksig; e->name; ++e)
    if (e->disp != SigDisp::Original) install(*e, SigDisp::Original);
}

void awk_sig_init() {
  if (signalValue.tag > Tag::Float) awk_unaccess(&signalValue);
  signalValue = Cell{};
  // A signal that ends the process by default gets the catcher with the
  // value "DEFAULT": it is installed in the same system call that reads the
  // disposition found, and the one found is put back in the rare case that
  // the value is "IGNORE".
  for (AwkSig* e = awksig; e->name; ++e) {
    e->disp = SigDisp::Original;
    e->action = SigAction::Untouched;
    e->pending = 0;
    e->code = 0;
    e->handler = 0;
    forgetNote(*e);
    const struct sigaction catcher = actionFor(*e, SigDisp::Catch);
    sigaction(e->signo, e->terminates ? &catcher : nullptr, &e->original);
    // Called again, the handler found in place is this layer's own.
    if ((e->original.sa_flags & SA_SIGINFO) && e->original.sa_sigaction == awk_sighandler) {
      e->original = {};
      e->original.sa_handler = SIG_DFL;
    }
    const bool ignored = e->signo != SIGINT && !(e->original.sa_flags & SA_SIGINFO) &&
                         e->original.sa_handler == SIG_IGN;
    if (ignored && e->terminates) sigaction(e->signo, &e->original, nullptr);
    apply(*e, ignored ? SigAction::Ignore : SigAction::Default, true);
  }
  signalArrayPending = true;
  awk_tabsignal = tableChanged;
  awk_faultinit();
}

Cell* awk_signalarray() {
  makeSignalArray();
  return &signalValue;
}

void awk_vSIGNAL(int set, Cell* cell, void* /*arg*/) {
  makeSignalArray();
  if (!set) {
    *cell = signalValue;
    if (cell->tag > Tag::Float) awk_access(cell);
    return;
  }
  Cell old = signalValue;
  signalValue = *cell;
  if (signalValue.tag > Tag::Float) awk_access(&signalValue);
  if (old.tag == Tag::Array && !(signalValue.tag == Tag::Array && signalValue.w.t == old.w.t))
    old.w.t->sigflag = 0;
  if (old.tag > Tag::Float) awk_unaccess(&old);
  markSignalTable();
  awk_sig_set();
}
