// The command runner: every command the run-time starts (system, spawn,
// command pipes) goes through awk_runcmd.
//
// The child's environment is built per call from an AWK array: a table of
// at most 400 entry pointers and one buffer holding "name=value" strings.
// For the duration of the start that table is the process environment
// (popen, system and fork all hand `environ` to the shell); the run-time's
// own environment pointer is put back before the buffer is released, so no
// later lookup can see freed data.
//
// Around the start the floating-point settings and the AWK signal handling
// are taken down, so that the shell begins with host defaults, and are
// re-installed afterwards; curses screen mode is left first.
//
// A command started without waiting is run by a grandchild: the
// intermediate child reports its id and exits at once and is reaped here,
// so commands that are never waited for do not linger as zombies.
#include "host/signals.h"
#include "builtins/process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "arrays/table.h"
#include "image/format.h"
#include "io/stream.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "diag/termhook.h"
#include "values/alloc.h"
#include "values/arith.h"
#include "values/convert.h"

extern char** environ;


namespace {

namespace predef = vorn::image::predef;

// An entry name the C environment can hold: not empty, no '=' and no NUL.
bool goodEnvName(const AwkString* key) {
  return key->len > 0 && !std::memchr(key->text(), '=', key->len) &&
         !std::memchr(key->text(), 0, key->len);
}

// A wait status as the program sees it: the two low bytes exchanged, so a
// normal exit gives the exit code and a signal its number times 256.
int32_t exitCode(int status) {
  if (status == -1) return -1;
  return ((status & 0xFF) << 8) | ((status >> 8) & 0xFF);
}

// Starts command without waiting for it; returns the id of the process that
// runs it, or -1.
int32_t startDetached(const char* command) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t child = fork();
  if (child < 0) {
    int e = errno;
    close(fds[0]);
    close(fds[1]);
    errno = e;
    return -1;
  }
  if (child == 0) {
    close(fds[0]);
    pid_t runner = fork();
    if (runner == 0) {
      close(fds[1]);
      int st = system(command);
      _exit(st == -1 ? 127 : WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st));
    }
    ssize_t n = write(fds[1], &runner, sizeof runner);
    _exit(n == ssize_t(sizeof runner) ? 0 : 1);
  }
  close(fds[1]);
  pid_t runner = -1;
  size_t got = 0;
  while (got < sizeof runner) {
    ssize_t n = read(fds[0], reinterpret_cast<char*>(&runner) + got, sizeof runner - got);
    if (n > 0) {
      got += size_t(n);
    } else if (n == 0 || errno != EINTR) {
      runner = -1;
      break;
    }
  }
  close(fds[0]);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  return runner;
}

}  // namespace

Cell* awk_environcell() {
  const int index = predef::g_ENVIRON - vorn::image::gid::kGlobalFirst;
  return (awk_globvars && awk_ngvars > index) ? awk_gvar(predef::g_ENVIRON) : nullptr;
}

// Entries come from the initialised elements of the array in slot order;
// the 400th entry is refused with a warning, as are the rest. Values are
// converted once, the buffer sized from them, then filled.
char** awk_buildenv(Cell* env) {
  auto** table = static_cast<char**>(spacec(int32_t(kMaxEnvEntries * sizeof(char*))));
  if (!env || env->tag != Tag::Array || !env->w.t) return table;
  AwkTable* t = env->w.t;
  awk_tabsettle(t);
  const AwkString* keys[kMaxEnvEntries];
  AwkString* values[kMaxEnvEntries];
  int n = 0;
  int64_t size = 2 + 16;
  for (int32_t i = 0; i < t->capacity; ++i) {
    AwkSlot* s = awk_slotat(t, i);
    if (!s || s->value.tag == Tag::Uninit || !goodEnvName(s->key)) continue;
    AwkString* v = awk_a2s(&s->value);
    int64_t need = int64_t(s->key->len) + v->len + 2;
    if (n == kMaxEnvEntries - 1 || size + need > INT32_MAX) {
      stringFree(v);
      oops('w', "Environment too large for system call");
      break;
    }
    keys[n] = s->key;
    values[n] = v;
    size += need;
    ++n;
  }
  char* buf = static_cast<char*>(space(int32_t(size)));
  char* p = buf;
  for (int i = 0; i < n; ++i) {
    table[i] = p;
    std::memcpy(p, keys[i]->text(), keys[i]->len);
    p += keys[i]->len;
    *p++ = '=';
    // A value with a NUL byte ends there, as any C environment string does.
    std::memcpy(p, values[i]->text(), values[i]->len);
    p += values[i]->len;
    *p++ = 0;
    stringFree(values[i]);
  }
  if (n == 0) spfree(buf);
  return table;
}

void awk_freeenv(char** table) {
  if (!table) return;
  spfree(table[0]);   // the buffer starts with the first entry
  spfree(table);
}

int32_t awk_runcmd(const AwkString* command, Cell* env, int mode, FILE** stream) {
  if (stream) *stream = nullptr;
  if (std::memchr(command->text(), 0, command->len)) {
    errno = EINVAL;
    return -1;
  }
  char** table = env ? awk_buildenv(env) : nullptr;
  awk_mathend();
  awk_sig_reset();
  char** saved = environ;
  if (table) environ = table;
  awk_term_suspend();

  // A pipe mode without a place for the stream runs and waits instead.
  if ((mode == kRunPipeTo || mode == kRunPipeFrom) && !stream) mode = kRunWait;
  int32_t result = 0;
  errno = 0;
  switch (mode) {
    case kRunPipeTo:
    case kRunPipeFrom:
      *stream = popen(command->text(), mode == kRunPipeTo ? "w" : "r");
      break;
    case kRunNoWait:
      result = startDetached(command->text());
      break;
    default:
      result = exitCode(system(command->text()));
      break;
  }
  const int err = errno;

  environ = saved;
  awk_sig_set();
  awk_mathinit();
  awk_freeenv(table);
  errno = err;
  return result;
}

FILE* awk_startpipe(const AwkString* command, int mode) {
  awk_flushall(0);
  if (command->len == 0) {
    errno = EINVAL;
    return nullptr;
  }
  FILE* fp = nullptr;
  awk_runcmd(command, awk_environcell(), mode, &fp);
  if (!fp && errno == 0) errno = EINVAL;
  return fp;
}

int32_t awk_system(const AwkString* command, int mode) {
  awk_flushall(0);
  if (command->len == 0) return 0;
  return awk_runcmd(command, awk_environcell(), mode, nullptr);
}
