// The builtin functions by slot: the slot is the builtin's gid, the index of
// its handler in the run-time's builtin table, and the operand of op_bcall.
// Slot numbers are a fixed contract between images and the run-time.
#pragma once

#include "image/format.h"

namespace vorn::image {

#define VORN_BUILTINS(X) \
  X(1, print) X(2, printf) X(3, __fprint) X(4, __fprintf) X(5, sub) X(6, gsub)        \
  X(7, subs) X(8, gsubs) X(9, getline) X(10, __lsubstr) X(11, match) X(12, split)     \
  X(13, splitp) X(14, substr) X(15, system) X(16, close) X(17, length) X(18, index)   \
  X(19, rindex) X(20, sprintf) X(21, toupper) X(22, tolower) X(23, typeof)            \
  X(24, ord) X(25, time) X(26, ctime) X(27, filetime) X(28, filesize)                 \
  X(29, filemode) X(30, not) X(31, and) X(32, or) X(33, xor) X(34, shiftl)            \
  X(35, shiftr) X(36, int) X(37, getkey) X(38, kbhit) X(39, rand) X(40, srand)        \
  X(41, atan2) X(42, cos) X(43, exp) X(44, log) X(45, sin) X(46, sqrt)                \
  X(47, __pipeopen) X(48, argcount) X(49, chdir) X(50, getcwd) X(51, spawn)           \
  X(52, fopen) X(53, fread) X(54, fwrite) X(55, fseek) X(56, ftell) X(57, fflush)     \
  X(58, fileno) X(59, feof) X(60, findfirst) X(61, findnext) X(62, peek) X(63, poke)  \
  X(64, inp) X(65, inpw) X(66, outp) X(67, outpw) X(68, scr_gcp) X(69, scr_scp)       \
  X(70, scr_gcm) X(71, scr_scm) X(72, scr_put) X(73, scr_putcells) X(74, scr_frame)   \
  X(75, scr_end) X(76, scr_getcells) X(77, scr_refresh) X(78, scr_get)                \
  X(79, interrupt) X(80, addressof) X(81, setawkvar) X(82, getawkvar) X(83, _precof)  \
  X(84, _refcnt) X(85, _cvtin) X(86, _cvtout) X(87, regex) X(88, sleep)               \
  X(89, translate) X(90, strdup) X(91, flock) X(92, funlock) X(93, pack)              \
  X(94, unpack) X(95, abort) X(96, timetab) X(97, dirlist) X(98, getdirlist)          \
  X(99, debug_function) X(100, debug_get_frame) X(101, debug_get_stack_var)           \
  X(102, debug_set_stack_var) X(103, rmfile) X(104, rmdir) X(105, mkdir)              \
  X(106, rename) X(107, registercallback) X(108, unregistercallback) X(109, chmod)    \
  X(110, chsize) X(111, argval) X(112, ferror) X(113, char) X(114, stat)              \
  X(115, paste) X(116, convertnum) X(117, call) X(118, calla) X(119, fdopen)          \
  X(120, table)

inline constexpr int kBuiltinSlots = gid::kBuiltinLast + 1;  // slot 0 is empty

// The names are held in the table, not pointed at, so that it is constant
// data a program's start need not relocate. Slot 0 is empty.
inline constexpr int kBuiltinNameSize = 20;
inline constexpr char kBuiltinNames[kBuiltinSlots][kBuiltinNameSize] = {
    "",
#define VORN_BUILTIN_NAME(slot, name) #name,
    VORN_BUILTINS(VORN_BUILTIN_NAME)
#undef VORN_BUILTIN_NAME
};

namespace slot {
#define VORN_BUILTIN_SLOT(s, name) b_##name = s,
enum : int { VORN_BUILTINS(VORN_BUILTIN_SLOT) };
#undef VORN_BUILTIN_SLOT
}  // namespace slot

}  // namespace vorn::image
