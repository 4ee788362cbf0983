// Value-cell ownership and the evaluation stack.
//
// A cell of a counted type owns one reference to what its word names:
// strings (all four string tags and `address`), tables (arrays, and the
// table and key of an array-element reference), streams whose use count is
// not 0 (a count of 0 marks a stream nobody counts), and compiled patterns.
// awk_access takes one more such reference for a copy; awk_unaccess gives
// one back and leaves the cell's bytes alone for the caller to overwrite.
#include "values/cell.h"

AwkOwnerOps awk_ownerops[3] = {};

const char* const awk_typenames[14] = {
    "uninitialized", "int",     "float",   "string",   "field",        "array",       "fileid",
    "regular_expression", "ref", "address", "vmstring", "vmfield", "packed_array", "raw_pointer"};

Cell awk_stack[kStackCells];
Cell* awk_sp = &awk_stack[kStackTopCell];
Cell* awk_fp = &awk_stack[kStackTopCell];
Cell* awk_spmax = &awk_stack[kStackLowMark];
Cell* const awk_stackbase = awk_stack;
Cell* awk_retval = nullptr;
const char msg_stackoverflow[] = "awk stack overflow";

void awk_access(Cell* c) {
  switch (c->tag) {
    case Tag::String: case Tag::Field: case Tag::VmString: case Tag::VmField:
      stringDup(c->w.s);
      break;
    case Tag::Address:
      stringDup(c->w.s);
      break;
    case Tag::Array:
      awk_owner(OwnerKind::Table).take(c->w.t);
      break;
    case Tag::FileId:
      if (c->w.f) awk_owner(OwnerKind::Stream).take(c->w.f);
      break;
    case Tag::Regex:
      awk_owner(OwnerKind::Pattern).take(c->w.re);
      break;
    case Tag::Ref:
      if (RefKind(c->aux8a) == RefKind::Element) {
        stringDup(c->x.key);
        awk_owner(OwnerKind::Table).take(c->w.t);
      }
      break;
    default:
      break;
  }
}

void awk_unaccess(Cell* c) {
  switch (c->tag) {
    case Tag::String: case Tag::Field: case Tag::VmString: case Tag::VmField:
      stringFree(c->w.s);
      break;
    case Tag::Address:
      stringFree(c->w.s);
      break;
    case Tag::Array:
      awk_owner(OwnerKind::Table).give(c->w.t);
      break;
    case Tag::FileId:
      if (c->w.f) awk_owner(OwnerKind::Stream).give(c->w.f);
      break;
    case Tag::Regex:
      awk_owner(OwnerKind::Pattern).give(c->w.re);
      break;
    case Tag::Ref:
      if (RefKind(c->aux8a) == RefKind::Element) {
        stringFree(c->x.key);
        awk_owner(OwnerKind::Table).give(c->w.t);
      }
      break;
    default:
      break;
  }
}

int awk_restackavail() {
  return int(reinterpret_cast<char*>(awk_sp) - reinterpret_cast<char*>(awk_stack));
}
