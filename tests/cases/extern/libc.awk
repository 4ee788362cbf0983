# The C and math libraries through the default search list: results of
# every numeric width, a char* result and its null, int* and double*
# parameters (also an array element, written back), and snprintf writing
# into a buffer handed out with addressof, read back with peek and as a
# char* result. Memory a void* result points at may be peeked, and poked
# where it is writable.
extern long strlen(char*)
extern int getpid()
extern char* getenv(char*)
extern int abs(int)
extern long labs(long)
extern double atof(char*)
extern "libm.so.6:cos" double c_cos(double)
extern double pow(double, double)
extern double frexp(double, int*)
extern double modf(double, double*)
extern int snprintf(void*, long, char*, double)
extern "libc.so.6:strstr" char* text_at(void*, char*)
extern "libc.so.6:getenv" void* env_at(char*)
extern "libc.so.6:strerror" void* message_at(int)
BEGIN {
  print DLLS
  print strlen("hello"), strlen(""), getpid() == PID
  print getenv("VORN_GREETING"), length(getenv("VORN_UNSET_NAME")), typeof(getenv("VORN_UNSET_NAME"))
  print abs(-42), labs(-5000000000), labs(-7), atof("2.5e3")
  print c_cos(0), pow(2, 0.5), pow(2, 40)
  m = frexp(48, e); print m, e
  f = modf(-3.75, ip); print f, ip
  a["x"] = "junk"; m = frexp(0.375, a["x"]); print m, a["x"]
  buf = sprintf("%20s", "")
  p = addressof(buf)
  n = snprintf(p, 20, "pi=%.4f", 3.14159265)
  print n, peek(p), peek(p + 9), text_at(p, "")
  q = env_at("VORN_GREETING"); poke(q, 72); print peek(q + 1), getenv("VORN_GREETING")
  q = message_at(2); print peek(q); poke(q, 65)
}
