// The run-time's main line: load the image, set up globals, environment and
// arguments, run the phases in their fixed order (init, the two BEGINs, the
// main function once per record, the two ENDs), close everything and exit.
//
// Start-up order matters and is observable: ENV/ENVIRON exist when the
// image's init function runs, ARGV/ARGC/ARGI and -v assignments do not yet.
#include "runtime/startup.h"
#include "runtime/wiring.h"

#include <cctype>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "image/format.h"
#include "image/version.h"
#include "host/extern.h"
#include "host/signals.h"
#include "interp/interp.h"
#include "io/globals.h"
#include "io/stream.h"
#include "io/record.h"
#include "io/specvars.h"
#include "io/fields.h"
#include "runtime/loader.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "regex/regex.h"
#include "io/vars.h"
#include "values/alloc.h"
#include "values/arith.h"
#include "values/convert.h"

using namespace vorn::image;

AwkTable* awk_argvtab = nullptr;
int32_t awk_argvcount = 0;

// Services of layers outside this one that a run may lack.

namespace {

constexpr int kProgNameMax = 13;
// An image compiled in this process (vorn), run instead of a file's.
struct {
  unsigned char* data;
  size_t size;
} memoryImage;
char progName[kProgNameMax + 1];
const char* argv0 = "";

// Sets $0 to s (consumed) as a cell of the given tag.
void setRecord(AwkString* s, Tag tag) { awk_setrecord(s, tag); }

// The program name used in messages: "vorn" for a temporary program,
// otherwise the file's name (the image's, or a bound executable's as it was
// invoked), lower-cased, without directory or extension, at most 13
// characters.
void setProgName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* base = slash ? slash + 1 : path;
  std::strncpy(progName, base, kProgNameMax);
  progName[kProgNameMax] = 0;
  awk_strtolower(progName);
  if (char* dot = std::strrchr(progName, '.')) *dot = 0;
  _progname = progName;
}

int rootGid(int off) { return rootI16(off); }

// A string cell (or field cell) of text, as stored in ARGV and by -v.
void setText(Cell* c, Tag tag, const char* text) {
  c->tag = tag;
  c->w.word = 0;
  c->w.s = stringNew(text);
}

}  // namespace

void awk_copyrite() {
  std::fprintf(stderr, "vrun %s - run-time for compiled AWK programs\n", vorn::kVersionText);
  std::fflush(stderr);
}

void awk_main(int argc, char** argv, char** envp) {
  awk_wire();
  // Memory the C++ library cannot get (strings and vectors inside the
  // services) ends the run like the allocator's own failure.
  std::set_new_handler(awk_nomemory);
  // Past a file-size limit a write fails with EFBIG, which the output layer
  // reports, instead of the signal killing the run with its output unsaid.
  signal(SIGXFSZ, SIG_IGN);
  // The time zone is read by the C library at the first local time asked
  // for, not here: most programs never ask.
  static char* outbuf = static_cast<char*>(std::malloc(1024));
  if (outbuf) std::setvbuf(stdout, outbuf, _IOFBF, 1024);
  awk_init1(argc, argv, envp);
  awk_begin_exec();
  awk_patact_exec();
  awk_end_exec();
  awk_closeall();
  awk_exit(awk_exitstatus, 1);
}

void awk_main_image(unsigned char* image, size_t size, int argc, char** argv, char** envp) {
  memoryImage.data = image;
  memoryImage.size = size;
  awk_main(argc, argv, envp);
}

void awk_init1(int argc, char** argv, char** envp) {
  argv0 = argc > 0 ? argv[0] : "";
  char** operands;
  int n;
  if (memoryImage.data) {
    // No file stands behind the image: the path stays empty, so that
    // nothing can take the program itself for a temporary image to delete.
    awk_progpath[0] = 0;
    vm_borrowimage(memoryImage.data, memoryImage.size, argv0);
    if (!awk_validaefile()) oops('F', "Invalid or old version awk program file: %s", argv0);
    operands = argv + 1;
    n = argc - 1;
  } else if (!awk_isbound()) {
    if (argc < 2) {
      awk_copyrite();
      oops('F', "Expecting filename.ae as first program argument");
    }
    size_t len = std::strlen(argv[1]);
    if (len >= sizeof awk_progpath || !vm_open(std::strcpy(awk_progpath, argv[1])))
      oops('F', "Can not open file '%s'", argv[1]);
    awk_imageopened = 1;
    if (!awk_validaefile()) oops('F', "Invalid or old version awk program file: %s", awk_progpath);
    operands = argv + 2;
    n = argc - 2;
  } else {
    setProgName(argv0);  // before loading, so that its failures carry the name too
    awk_openself(argv0);
    operands = argv + 1;
    n = argc - 1;
  }
  awk_init3();
  awk_droptempimage();
  if (rootU32(root::kStoredArgs) != 0)
    _progname = "vorn";
  else if (!awk_isbound())
    setProgName(awk_progpath);
  awk_sig_init();
  awk_init_env(envp);
  awk_mathinit();
  awk_varinit_exec();
  awk_set_argv(awk_progpath, n, operands);
}

void awk_init3() {
  if (!string_empty) string_empty = stringNew("");
  if (const char* tmp = std::getenv("TMP")) awk_tmpdir = stringNew(tmp);
  awk_fieldinit();
  awk_readroot();
  awk_initio();
  awk_varinit();
  awk_dllinit();
}

void awk_init_env(char** envp) {
  AwkTable* t = awk_sanew(8);
  Cell arr;
  arr.tag = Tag::Array;
  arr.w.word = 0;
  arr.w.t = t;
  awk_setvarg(predef::g_ENVIRON, &arr);
  awk_access(&arr);
  awk_setvarg(predef::g_ENV, &arr);
  for (char** e = envp; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (!eq) continue;
    std::string_view name(*e, size_t(eq - *e));
    AwkString* key = stringNew1(name.data(), uint32_t(name.size()));
    Cell value;
    setText(&value, Tag::String, eq + 1);
    awk_stadd(t, key, &value);  // takes the key
  }
  if (AwkSlot* s = awk_stfindb(t, "TMP", 3); s && cellIsStringy(&s->value)) {
    if (awk_tmpdir) stringFree(awk_tmpdir);
    awk_tmpdir = stringDup(s->value.w.s);
  }
}

void awk_ivar(const char* text) {
  const char* eq = std::strchr(text, '=');
  if (eq) {
    Cell value;
    setText(&value, Tag::Field, eq + 1);
    std::string_view name(text, size_t(eq - text));
    if (awk_setvar(name, &value) == 0) return;
    stringFree(value.w.s);
    std::string copy(name);
    oops('W', "assignment to variable '%s' ignored.", copy.c_str());
    return;
  }
  oops('W', "assignment to variable '%s' ignored.", text);
}

char* awk_fixfilename(char* path) {
  awk_strtolower(path);
  for (char* p = path; *p; ++p)
    if (*p == '/') *p = '\\';
  if (path[0] && path[1] == ':') path[0] = char(std::toupper(static_cast<unsigned char>(path[0])));
  return path;
}

void awk_set_argv(const char* path, int n, char** args) {
  awk_argvcount = 0;
  // A stored argument list replaces the image path and the operands.
  static char* stored[1001];
  std::string argv0Text(path);
  if (awk_vargs != 0) {
    awk_miscflags |= flags::kStoredArgsUsed;
    char* p = reinterpret_cast<char*>(vm_v2pcode(awk_vargs));
    argv0Text = p;
    p += std::strlen(p) + 1;
    n = 0;
    while (*p && n < 1000) {
      stored[n++] = p;
      p += std::strlen(p) + 1;
    }
    args = stored;
  }

  int i = 0;
  if (!(awk_miscflags & flags::kNoOptions)) {
    while (i < n && args[i][0] == '-') {
      char opt = args[i][1];
      if (opt == 'v' || opt == 'F') {
        const char* value = args[i] + 2;
        if (*value) {
          i += 1;
        } else if (i + 1 < n) {
          value = args[i + 1];
          i += 2;
        } else {
          oops('W', "Invalid -%c flag", opt);
          i += 1;
          break;
        }
        if (opt == 'v') {
          awk_ivar(value);
        } else {
          Cell fs;
          setText(&fs, Tag::String, value);
          if (awk_setvarg(gid::kSpecialFirst + pv::FS, &fs) != 0) stringFree(fs.w.s);
        }
      } else if (opt == 'w') {
        awk_warnings = 0;
        i += 1;
      } else {
        break;
      }
    }
    for (int j = i; j < n; ++j) {
      if (std::strcmp(args[j], "--") == 0) {
        for (; i < j; ++i) awk_ivar(args[i]);
        i = j + 1;
        break;
      }
      if (!std::strchr(args[j], '=')) break;
    }
  }

  awk_argvtab = awk_sanew(8);
  Cell arr;
  arr.tag = Tag::Array;
  arr.w.word = 0;
  arr.w.t = awk_argvtab;
  awk_access(&arr);  // one reference for ARGV, one kept for the record reader
  awk_setvarg(predef::g_ARGV, &arr);
  awk_fixfilename(argv0Text.data());
  awk_setarray(awk_argvtab, 0, Tag::String, reinterpret_cast<intptr_t>(stringNew(argv0Text.c_str())));
  awk_argvcount = 1;
  for (; i < n; ++i)
    awk_setarray(awk_argvtab, awk_argvcount++, Tag::Field,
                 reinterpret_cast<intptr_t>(stringNew(args[i])));
  awk_setvargl(predef::g_ARGC, awk_argvcount);
  awk_setvargl(predef::g_ARGI, 1);
}

void awk_runphase(int gid) {
  if (gid != 0) awki0(gid);
}

void awk_varinit_exec() { awk_runphase(rootGid(root::kInitFunction)); }

void awk_begin_exec() {
  awk_runphase(rootGid(root::kBegin1Function));
  awk_runphase(rootGid(root::kBegin2Function));
}

void awk_beginfile_exec() { awk_runphase(rootGid(root::kBeginFileFunction)); }
void awk_endfile_exec() { awk_runphase(rootGid(root::kEndFileFunction)); }

void awk_patact_exec() {
  int mainGid = rootGid(root::kMainFunction);
  if (mainGid == 0 && rootGid(root::kEnd1Function) == 0 &&
      rootGid(root::kBeginFileFunction) == 0 && rootGid(root::kEndFileFunction) == 0)
    return;
  AwkCode* code = mainGid ? awk_funaddr(mainGid) : nullptr;
  // A rule that only tests for plain texts lets the reader pass over records
  // without any of them; known once the first record has compiled the
  // pattern. Without a main rule (END { print NR }) no record is looked at.
  AwkPattern* filter = nullptr;
  bool firstRecord = true;
  for (;;) {
    if (awk_gt_conditions & kCondExit) break;
    awk_gt_conditions = 0;
    // Not while a debugger function is armed: it sees every statement.
    if ((filter || !mainGid) && awk_debug_gid == 0) skip_records(filter);
    AwkString* record = next_record(nullptr, mainGid ? RecordUse::Dollar0 : RecordUse::Drop);
    if (!record) break;
    if (mainGid) {
      setRecord(record, Tag::Field);
      awki0f(mainGid, code);
      awk_gt_conditions &= ~kCondNext;
      if (firstRecord) {
        firstRecord = false;
        filter = awk_rulefilter(code);
        // Passing over records pays only for plain texts, known by now;
        // asking before every record would cost each one a look at the buffer.
        if (filter && awk_literalat(filter, "", 0) == -2) filter = nullptr;
      }
    } else {
      stringFree(record);
    }
    if (awk_intflag) awk_processint(0);
  }
  // A signal that arrived while the last read waited is not left behind.
  if (awk_intflag) awk_processint(0);
}

void awk_end_exec() {
  awk_gt_conditions = 0;
  for (int off : {root::kEnd1Function, root::kEnd2Function}) {
    int gid = rootGid(off);
    if (gid == 0) continue;
    setRecord(stringDup(string_empty), Tag::String);
    awk_runphase(gid);
  }
}

void b_abort(int argc, Cell* args) {
  awk_flushall(1);
  awk_exit(argc > 0 ? awk_a2l(&args[0]) : 0, 1);
}
