// Runs a command and writes its user and system CPU seconds (to the
// microsecond: GNU time prints hundredths, too coarse for the fast rows)
// and its peak resident memory in KiB to the file named first:
//   cputime OUT command [args...]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: cputime OUT command [args...]\n");
    return 2;
  }
  pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    _exit(127);
  }
  int status = 0;
  rusage ru{};
  if (wait4(pid, &status, 0, &ru) < 0) return 2;
  if (FILE* f = std::fopen(argv[1], "w")) {
    std::fprintf(f, "%ld.%06ld %ld.%06ld %ld\n", long(ru.ru_utime.tv_sec), long(ru.ru_utime.tv_usec),
                 long(ru.ru_stime.tv_sec), long(ru.ru_stime.tv_usec), ru.ru_maxrss);
    std::fclose(f);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
