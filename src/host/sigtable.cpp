// The signal table: the signals SIGNAL can name, in the order the settings
// are applied and pending deliveries are examined. Signals the host lacks
// are left out.
#include <cstddef>

#include "host/signals.h"

namespace {

AwkSig entry(const char* name, int signo, bool terminates) {
  return AwkSig{name, signo, uint8_t(terminates), SigAction::Untouched, 0, 0, 0,
                SigDisp::Original, {}, nullptr};
}

}  // namespace

AwkSig awksig[] = {
    entry("SIGINT", SIGINT, true),
    entry("SIGHUP", SIGHUP, true),
    entry("SIGQUIT", SIGQUIT, true),
    entry("SIGABRT", SIGABRT, true),
    entry("SIGPIPE", SIGPIPE, true),
    entry("SIGALRM", SIGALRM, true),
    entry("SIGTERM", SIGTERM, true),
    entry("SIGUSR1", SIGUSR1, true),
    entry("SIGUSR2", SIGUSR2, true),
    entry("SIGCHLD", SIGCHLD, false),
#ifdef SIGPWR
    entry("SIGPWR", SIGPWR, false),
#endif
    entry("SIGWINCH", SIGWINCH, false),
    entry("SIGURG", SIGURG, false),
#ifdef SIGPOLL
    entry("SIGPOLL", SIGPOLL, true),
#endif
    entry("SIGTSTP", SIGTSTP, false),
    entry("SIGCONT", SIGCONT, false),
    entry("SIGTTIN", SIGTTIN, false),
    entry("SIGTTOU", SIGTTOU, false),
    entry("SIGVTALRM", SIGVTALRM, true),
    entry("SIGPROF", SIGPROF, true),
    entry("SIGXCPU", SIGXCPU, true),
    entry("SIGXFSZ", SIGXFSZ, true),
    entry("SIGFPE", SIGFPE, true),
    AwkSig{},
};

// A linear walk: the table is short and this runs in signal context, where
// nothing but plain loads is allowed.
AwkSig* awk_sigentry(int signo) {
  for (AwkSig* e = awksig; e->name; ++e)
    if (e->signo == signo) return e;
  return nullptr;
}

namespace {
constexpr char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }
}  // namespace

bool awk_sigword(std::string_view value, SigAction* action) {
  static constexpr struct {
    std::string_view word;
    SigAction action;
  } kWords[] = {
      {"ABORT", SigAction::Abort},
      {"DEFAULT", SigAction::Default},
      {"IGNORE", SigAction::Ignore},
      {"FAIL", SigAction::Fail},
  };
  for (const auto& w : kWords) {
    if (w.word.size() != value.size()) continue;
    size_t i = 0;
    while (i < value.size() && upper(value[i]) == w.word[i]) ++i;
    if (i == value.size()) {
      *action = w.action;
      return true;
    }
  }
  return false;
}
