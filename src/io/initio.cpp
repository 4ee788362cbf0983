// Start-up of the stream table: the shared "-" and "\n" strings, the list
// head, the record buffer's first size, and the three standard records,
// whose fileids go into the AWK globals stdin, stdout and stderr.

#include "io/record.h"
#include "io/stream.h"

// Stores a fileid of r into the global cell g, dropping what g held.
static void setglobal(Cell* g, AwkStream* r) {
  awk_unaccess(g);
  awk_setfileid(g, r);
}

void awk_initio_cells(Cell* rsm, Cell* in, Cell* out, Cell* err, Cell* filemode) {
  awk_rsm = rsm;
  awk_filemodecell = filemode;
  awk_dashstr = stringNew("-");
  awk_nlstr = stringNew("\n");
  awk_dlinit();
  awk_lstrexp2(2050);

  awk_stdinsf = awk_newsf(O_RDONLY, stdin, "stdin", SF_STD, 1);
  setglobal(in, awk_stdinsf);
  awk_stdin = in;

  fflush(stdout);
  fflush(stderr);
  AwkStream* o = awk_newsf(O_WRONLY, stdout, "stdout", SF_STD, 1);
  setglobal(out, o);
  awk_stdoutrec = o;
  awk_stdout = out;
  awk_stdouttty = o->flags & SF_TTY;

  AwkStream* e = awk_newsf(O_WRONLY, stderr, "stderr", SF_STD, 0);
  setglobal(err, e);
  awk_stderrrec = e;
  awk_stderrtty = e->flags & SF_TTY;
}
