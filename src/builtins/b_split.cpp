// split and splitp: the record's splitting engine aimed at an array.
//
// split cuts at a separator (the current FS, or the third argument); splitp
// keeps the matches of a pattern (the third argument, or FPAT). The array
// is emptied first and receives the pieces under the keys 1, 2, ... as
// field values, so that numeric-looking pieces compare as numbers.
#include "arrays/table.h"
#include "builtins/btable.h"
#include "io/fields.h"
#include "regex/regex.h"
#include "diag/oops.h"

namespace {

// The array to fill, or null after the warning that it is not one.
AwkTable* targetArray(int argc, Cell* args, const char* name) {
  if (argc < 2 || argc > 3 || !cellIsStringy(&args[0])) awk_assert2(0x3F01);
  if (args[1].tag != Tag::Array) {
    oops('w', "%s argument to %s must be an array", "second", name);
    return nullptr;
  }
  return args[1].w.t;
}

}  // namespace

void b_split(int argc, Cell* args) {
  AwkTable* t = targetArray(argc, args, "split");
  if (!t) return;
  Cell* fs = argc == 3 ? &args[2] : &awk_fsopt;
  cellSetInt(awk_retval, awk_make_fields(args[0].w.s, t, fs, nullptr));
}

void b_splitp(int argc, Cell* args) {
  AwkTable* t = targetArray(argc, args, "splitp");
  if (!t) return;
  AwkPattern* p;
  // Without a pattern the array is still emptied.
  if (argc == 3) {
    p = awk_getere(&args[2], "splitp", kReNoSource | kReString);
    if (!p) {
      awk_stclear(t);
      return;
    }
  } else {
    p = awk_fpatere;
    if (!p) {
      awk_stclear(t);
      oops('w', "FPAT is not set and no third arg to splitp");
      return;
    }
  }
  // The cache may hand out its own entry; hold it for the length of the split.
  awk_eredup(p);
  cellSetInt(awk_retval, awk_make_fields(args[0].w.s, t, nullptr, p));
  awk_ererelease(p);
}
