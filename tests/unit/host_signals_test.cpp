// Signals where tests/cases/signals cannot reach: the SIGNAL array, the
// dispositions it installs, delivery at the polling points, the fault report.
// Signals go to this very process; anything that ends the run, or needs a
// start-up disposition of its own, runs in a death test's child, which
// reports on standard error.
#include <unistd.h>

#include <cstdio>

#include "arrays/table.h"
#include "host/signals.h"
#include "interp_fixture.h"
#include "io/globals.h"
#include "runtime/startup.h"

namespace {

using namespace interptest;

constexpr int kOnSig = 1001;    // onsig(name, code): count++, last name, last code
constexpr int gCount = kG0, gName = kG0 + 1, gCode = kG0 + 2;

using tsupport::strCell;

// SIGNAL[name] = value, as an AWK assignment makes it.
void assign(const char* name, const char* value) {
  Cell k = strCell(name), v = strCell(value);
  awk_tabadd(awk_signalarray(), &k, &v);
}

// SIGNAL[name] as text, "<absent>" when there is no such element.
std::string element(const char* name) {
  AwkString* s = awk_gettab(awk_signalarray(), name);
  if (!s) return "<absent>";
  std::string r(s->view());
  stringFree(s);
  return r;
}

// What the process does with signo now: "default", "ignore" or "caught".
std::string disposition(int signo) {
  struct sigaction sa {};
  sigaction(signo, nullptr, &sa);
  if (sa.sa_flags & SA_SIGINFO) return sa.sa_sigaction == awk_sighandler ? "caught" : "other";
  if (sa.sa_handler == SIG_IGN) return "ignore";
  if (sa.sa_handler == SIG_DFL) return "default";
  return "other";
}

int pending(int signo) { return int(awk_sigentry(signo)->pending); }
SigAction action(int signo) { return awk_sigentry(signo)->action; }

void queue(int signo) {
  union sigval v {};
  ASSERT_EQ(sigqueue(getpid(), signo, v), 0);
}

int32_t globalInt(int gid) { return global(gid)->tag == Tag::Int ? global(gid)->w.i : -12345; }

class Signals : public ::testing::Test {
 protected:
  void SetUp() override {
    Program p;
    p.writer.addModule("prog.awk");
    Asm on;
    on.op(Op::op_line).u(3).op(Op::op_gpush).g(gCount).op(Op::op_addi32).w(1).op(Op::op_gstore).g(gCount);
    on.op(Op::op_lpush).l(Asm::param(1)).op(Op::op_gstore).g(gName);
    on.op(Op::op_lpush).l(Asm::param(2)).op(Op::op_gstore).g(gCode).op(Op::op_ret);
    p.writer.setFunction(kOnSig, on.function(2, 0, ";name;code", 0));
    p.function("onsig", kOnSig);
    p.symbol("counter", vorn::image::symkind::kGlobal, gCount,
             vorn::image::SymbolDefinition::make(vorn::image::defkind::kGlobal, 0, gCount));
    ASSERT_TRUE(p.load());
    awk_nomoreints = 0;
    awk_intflag = 0;
    cellSetInt(global(gCount), 0);
    awk_sig_init();
  }
  void TearDown() override {
    awk_sig_reset();
    for (AwkSig* e = awksig; e->name; ++e) e->pending = 0;
    awk_intflag = 0;
  }
};

TEST(SignalTable, EachEntryHasItsOwnNumber) {
  EXPECT_EQ(awk_sigentry(SIGSEGV), nullptr);   // the fault reporter's, not SIGNAL's
  EXPECT_EQ(awk_sigentry(SIGKILL), nullptr);
  for (AwkSig* e = awksig; e->name; ++e) EXPECT_EQ(awk_sigentry(e->signo), e) << e->name << " shares its number";
}

TEST_F(Signals, FunctionCalledOnceForTwoDeliveries) {
  assign("SIGUSR1", "onsig");
  EXPECT_EQ(action(SIGUSR1), SigAction::Call);
  EXPECT_EQ(disposition(SIGUSR1), "caught");
  queue(SIGUSR1);
  queue(SIGUSR1);
  EXPECT_EQ(pending(SIGUSR1), 2);
  EXPECT_EQ(awk_intflag, 2);
  EXPECT_EQ(globalInt(gCount), 0);   // nothing runs inside the handler
  awk_processint(0);
  EXPECT_EQ(globalInt(gCount), 1);
  EXPECT_EQ(text(global(gName)), "SIGUSR1");
  EXPECT_EQ(globalInt(gCode), SI_QUEUE);
  EXPECT_EQ(pending(SIGUSR1), 0);
  EXPECT_EQ(awk_intflag, 0);
  awk_processint(0);
  EXPECT_EQ(globalInt(gCount), 1);
}

TEST_F(Signals, NothingHappensAfterShutDownBegins) {
  queue(SIGINT);
  awk_nomoreints = 1;
  awk_processint(0);   // would end the run otherwise
  EXPECT_EQ(pending(SIGINT), 1);
  awk_nomoreints = 0;
}

TEST_F(Signals, StartedIgnoredShowsIgnoreExceptInterrupt) {
  EXPECT_EXIT({
    awk_sig_reset();
    signal(SIGQUIT, SIG_IGN);
    signal(SIGINT, SIG_IGN);
    awk_sig_init();
    std::fprintf(stderr, "%s %s %s %s\n", element("SIGQUIT").c_str(), disposition(SIGQUIT).c_str(),
                 element("SIGINT").c_str(), disposition(SIGINT).c_str());
    // A command started later inherits the ignores the run-time was given.
    awk_sig_reset();
    std::fprintf(stderr, "%s %s\n", disposition(SIGQUIT).c_str(), disposition(SIGINT).c_str());
    _exit(0);
  }, testing::ExitedWithCode(0), "^IGNORE ignore DEFAULT caught\nignore ignore\n$");
}

TEST_F(Signals, ReadingAndReplacingTheArray) {
  Cell got{};
  awk_vSIGNAL(0, &got, nullptr);
  ASSERT_EQ(got.tag, Tag::Array);
  AwkTable* first = got.w.t;
  EXPECT_EQ(first, awk_signalarray()->w.t);
  EXPECT_EQ(first->use, 2);
  // A new array replaces it: marked, applied at once; the old one is
  // unmarked, so stores into it change nothing.
  Cell fresh{};
  fresh.tag = Tag::Array;
  fresh.w.t = awk_sanew(8);
  awk_settab(fresh.w.t, "SIGINT", Tag::String, intptr_t(stringNew("IGNORE")));
  awk_vSIGNAL(1, &fresh, nullptr);
  EXPECT_EQ(fresh.w.t->use, 2);   // the caller keeps its reference
  EXPECT_NE(fresh.w.t->sigflag, 0);
  EXPECT_EQ(first->sigflag, 0);
  EXPECT_EQ(disposition(SIGINT), "ignore");
  EXPECT_EQ(action(SIGHUP), SigAction::Untouched);
  Cell k = strCell("SIGINT"), v = strCell("DEFAULT");
  awk_tabadd(&got, &k, &v);
  EXPECT_EQ(disposition(SIGINT), "ignore");
  awk_unaccess(&got);
  // A scalar: no element anywhere, so functions fall back to the default and
  // every other signal keeps what it has.
  assign("SIGUSR2", "onsig");
  Cell scalar = strCell("anything");
  awk_vSIGNAL(1, &scalar, nullptr);
  awk_unaccess(&scalar);
  EXPECT_EQ(action(SIGUSR2), SigAction::Default);
  EXPECT_EQ(action(SIGINT), SigAction::Untouched);
  EXPECT_EQ(disposition(SIGINT), "ignore");
  EXPECT_EQ(fresh.w.t->sigflag, 0);
  awk_unaccess(&fresh);
}

TEST_F(Signals, ReporterGivesTheSignalBackToTheHost) {
  // Reporting goes through the fatal message; by then a second fault of
  // the same kind must end the process instead of coming back here. The
  // exit skips the C library's flushing: only what the run-time flushed
  // itself comes out.
  EXPECT_EXIT({
    awk_exithook = [](int status) {
      std::fprintf(stderr, "disposition %s\n", disposition(SIGBUS).c_str());
      _exit(status);
    };
    awk_sigfault(SIGBUS, nullptr, nullptr);
  }, testing::ExitedWithCode(2),
              "^vorn: program killed by SIGBUS: improperly aligned data access\n.*disposition default\n$");
}

// tests/cases/signals/unknown has a SIGHUP with a wrong value ending the run.
TEST_F(Signals, UnknownNameNotedOnceAndDefaultKept) {
  testing::internal::CaptureStderr();
  assign("SIGHUP", "nosuchfunction");
  assign("SIGINT", "DEFAULT");   // re-applies everything
  awk_sig_reset();
  awk_sig_set();                 // as after a child command
  assign("SIGTERM", "counter");  // a global variable, not a function
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err,
            "vrun: note (NR=0): unrecognized SIGNAL value: nosuchfunction\n"
            "vrun: note (NR=0): unrecognized SIGNAL value: counter\n");
  EXPECT_EQ(action(SIGTERM), SigAction::Default);
  // A new wrong value is noted again.
  testing::internal::CaptureStderr();
  assign("SIGHUP", "alsonothing");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("alsonothing"), std::string::npos);
}

}  // namespace
