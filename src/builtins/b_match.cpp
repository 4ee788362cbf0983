// The builtins match() and regex().
#include "arrays/table.h"
#include "image/format.h"
#include "regex/regex.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "values/convert.h"

namespace {

void setGlobalInt(int gid, int32_t v) {
  Cell* c = awk_gvar(gid);
  awk_unaccess(c);
  cellSetInt(c, v);
}

void setMatchVars(int32_t rstart, int32_t rlength) {
  setGlobalInt(vorn::image::predef::g_RSTART, rstart);
  setGlobalInt(vorn::image::predef::g_RLENGTH, rlength);
}

// Fills array cell `arr` with element 0 = first and element n = the value
// of group n that `value` computes from its start and end (-1 when unset).
template <typename F>
void fillGroups(Cell* arr, int32_t first, int ngroups, F value) {
  if (arr->tag != Tag::Array) awk_assert2(0x5301);
  awk_tabdelete(arr, nullptr);
  awk_setarray(arr->w.t, 0, Tag::Int, first);
  for (int g = 1; g <= ngroups; g++) {
    int32_t s = -1, e = -1;
    awk_ereparenpos(g, &s, &e);
    awk_setarray(arr->w.t, g, Tag::Int, value(s, e));
  }
}

}  // namespace

// match(s, r [, start [, positions [, lengths]]]): RSTART, or 0.
void b_match(int argc, Cell* args) {
  AwkString* s = awk_a2s(&args[0]);
  int32_t from = 0;
  int32_t rstart = 0, rlength = -1;
  bool searched = true;
  if (argc >= 3) {
    int64_t st = awk_a2l(&args[2]);
    if (st - 1 > int64_t(s->len)) searched = false;
    else from = st < 1 ? 0 : int32_t(st - 1);
  }
  AwkPattern* p = nullptr;
  if (searched && args[1].tag != Tag::Uninit) p = awk_getere(&args[1], "match", 132);
  if (p && awk_erematch(p, s->text(), int32_t(s->len), from, from, argc >= 4 ? kReGroups : 0)) {
    int32_t ms, me;
    awk_erepatpos(&ms, &me);
    rstart = ms + 1;
    rlength = me - ms;
    int ngroups = p->ngroups;
    if (argc >= 4)
      fillGroups(&args[3], rstart, ngroups,
                 [](int32_t gs, int32_t) { return gs < 0 ? 0 : gs + 1; });
    if (argc >= 5)
      fillGroups(&args[4], rlength, ngroups,
                 [](int32_t gs, int32_t ge) { return gs < 0 || ge < 0 ? 0 : ge - gs; });
  }
  stringFree(s);
  setMatchVars(rstart, rlength);
  cellSetInt(awk_retval, rstart);
}

// regex(r [, flags]): a compiled pattern value.
void b_regex(int argc, Cell* args) {
  int flags = kReString;
  int quiet = 0;
  if (argc >= 2) {
    AwkString* f = awk_a2s(&args[1]);
    for (uint32_t k = 0; k < f->len && f->text()[k]; k++) {
      char c = f->text()[k];
      if (c == 'i') flags |= kReFold;
      else if (c == 'p') flags |= kReGroups;
      else if (c == 's') flags |= kReFirst;
      else if (c == 'c') quiet = 1;
      else {
        awk_oopsinvarg("regex");
        break;
      }
    }
    stringFree(f);
  }
  Cell* r = &args[0];
  if (cellIsStringy(r)) {
    AwkPattern* p = awk_str1ere(r->w.s, "regex", flags, quiet);
    if (!p) return;
    awk_retval->tag = Tag::Regex;
    awk_retval->w.word = 0;
    awk_retval->w.re = p;
  } else if (r->tag == Tag::Regex) {
    awk_eredup(r->w.re);
    awk_retval->tag = Tag::Regex;
    awk_retval->w.word = 0;
    awk_retval->w.re = r->w.re;
    if (argc >= 2) oops('N', "Can not add flags to previously compiled pattern");
  } else {
    awk_oopsinvarg("regex");
  }
}
