# The test library: short* and float* parameters, one C result read under
# every width and signedness, value-cell and string-object parameters, a
# function exported only as _only_underscore, twenty mixed arguments, and a
# callback called several times with 64-bit arguments.
extern "libffitest.so" short twice_short(short*)
extern "libffitest.so:twice_short" short twice_ushort(unsigned short*)
extern "libffitest.so" float half_float(float*)
extern "libffitest.so:all_ones" unsigned char u8()
extern "libffitest.so:all_ones" char s8()
extern "libffitest.so:all_ones" unsigned short u16()
extern "libffitest.so:all_ones" short s16()
extern "libffitest.so:all_ones" unsigned int u32()
extern "libffitest.so:all_ones" int s32()
extern "libffitest.so:all_ones" unsigned long u64()
extern "libffitest.so:all_ones" void* ptr()
extern "libffitest.so" long minus_big()
extern "libffitest.so" int char_code(char)
extern "libffitest.so:char_code" int uchar_code(unsigned char)
extern "libffitest.so" int cell_tag(value)
extern "libffitest.so" unsigned int string_length(string)
extern "libffitest.so" string same_string(string)
extern "libffitest.so" int only_underscore(int)
extern "libffitest.so" double sum20(int, double, int, double, int, double, int, double, int, double, int, double, int, double, int, double, int, double, int, double)
extern "libffitest.so" long call_each(void*, int)
function each(i, neg, big, addr) {
  line = line sprintf(" (%d %d %.0f %s)", i, neg, big, addr > 4294967295)
  return 10 * i
}
BEGIN {
  s = 300; r = twice_short(s); print r, s
  s = 20000; r = twice_short(s); print r, s
  s = 40000; r = twice_ushort(s); print r, s
  f = 3; r = half_float(f); print r, f, typeof(f)
  printf "%d %d %d %d %.0f %d\n", u8(), s8(), u16(), s16(), u32(), s32()
  printf "%.0f %.0f %s %s\n", u64(), minus_big(), typeof(u64()), typeof(ptr())
  print char_code("A"), char_code(66.9), char_code(200), uchar_code(200), uchar_code(-1)
  print cell_tag(x), cell_tag(1), cell_tag(2.5), cell_tag("s")
  $0 = "field"; print cell_tag($1)
  print string_length("four"), string_length(12345), same_string("kept") "!"
  print only_underscore(14)
  print sum20(1, 0.5, 2, 0.25, 3, 0.125, 4, 1, 5, 2, 6, 3, 7, 4, 8, 5, 9, 6, 10, 7)
  cb = registercallback("each")
  print call_each(cb, 3) line
}
