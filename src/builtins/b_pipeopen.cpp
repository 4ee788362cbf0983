// Command pipes: `print | cmd` and `cmd | getline` reach their stream
// through __pipeopen, which reuses an open pipe of the same command text
// (compared exactly) and direction, or starts the command.
#include <cerrno>
#include <cstring>

#include "builtins/process.h"
#include "io/stream.h"
#include "diag/oops.h"
#include "values/convert.h"

// The listed pipe of this exact command text and direction, or null.
static AwkStream* findpipe(const AwkString* cmd, int dir) {
  for (AwkStream* r = awk_filehead->next; r != awk_filehead; r = r->next) {
    if (!(r->flags & SF_PIPE) || !r->name) continue;
    if (((r->omode & O_ACCMODE) != 0) != (dir != 0)) continue;
    if (r->name->len == cmd->len && std::memcmp(r->name->text(), cmd->text(), cmd->len) == 0)
      return r;
  }
  return nullptr;
}

// __pipeopen(cmd, dir): a fileid of the pipe (dir 1 writes to the command,
// 0 reads from it); a fileid of no stream when the command cannot be
// started.
void b___pipeopen(int argc, Cell* args) {
  if (argc != 2) awk_assert2(0x6110);
  int32_t dir = awk_a2l(&args[1]);
  if (dir != 0 && dir != 1) awk_assert2(0x6111);
  AwkString* cmd = awk_a2s(&args[0]);
  AwkStream* r = findpipe(cmd, dir);
  if (!r) {
    FILE* fp = awk_startpipe(cmd, dir ? 2 : 3);
    if (fp) {
      r = awk_newsf(uint16_t(dir != 0), fp, cmd, SF_PIPE, 1);
      awk_dllink(r);
    } else if (errno == EMFILE) {
      awk_oof();
    } else {
      oops('w', "Failure of pipe \"%s\"", cmd->text());
    }
  }
  stringFree(cmd);
  awk_setfileid(awk_retval, r);
}
