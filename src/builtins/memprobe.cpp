// Safe reads of untrusted addresses.
//
// The copy is done page by page with process_vm_readv on our own process,
// which fails with EFAULT for a page that is not mapped readable instead of
// raising SIGSEGV. Where that call is not allowed (seccomp filters, old
// kernels) the same page is written into a private pipe and read back: a
// write from an unreadable buffer fails with EFAULT too. A chunk never
// crosses a page boundary and never exceeds PIPE_BUF, so each pipe write is
// whole or nothing and the pipe is empty again after each read.
#include "builtins/memprobe.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

constexpr size_t kChunk = 4096;   // a page, and no more than PIPE_BUF
static_assert(kChunk <= PIPE_BUF);

bool useVmRead = true;
int probePipe[2] = {-1, -1};

// Copies n bytes (inside one page) or nothing.
bool readChunk(uintptr_t addr, void* dst, size_t n) {
  if (useVmRead) {
    iovec local{dst, n};
    iovec remote{reinterpret_cast<void*>(addr), n};
    ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
    if (got == ssize_t(n)) return true;
    if (got >= 0 || errno == EFAULT) return false;
    useVmRead = false;   // not permitted here: use the pipe from now on
  }
  if (probePipe[0] < 0 && pipe2(probePipe, O_CLOEXEC) != 0) return false;
  ssize_t put;
  do put = write(probePipe[1], reinterpret_cast<const void*>(addr), n);
  while (put < 0 && errno == EINTR);
  if (put <= 0) return false;
  size_t have = 0;
  while (have < size_t(put)) {
    ssize_t r = read(probePipe[0], static_cast<char*>(dst) + have, size_t(put) - have);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    have += size_t(r);
  }
  return size_t(put) == n;
}

size_t chunkAt(uintptr_t addr, size_t want) {
  size_t room = kChunk - addr % kChunk;
  return want < room ? want : room;
}

}  // namespace

size_t awk_memread(uintptr_t addr, void* dst, size_t max) {
  size_t done = 0;
  while (done < max) {
    if (addr + done < addr) break;   // wrapped past the top of the address space
    size_t n = chunkAt(addr + done, max - done);
    if (!readChunk(addr + done, static_cast<char*>(dst) + done, n)) break;
    done += n;
  }
  return done;
}

AwkString* awk_memstring(uintptr_t addr, uint32_t limit) {
  std::string text;
  char buf[kChunk];
  while (text.size() < limit) {
    uintptr_t at = addr + text.size();
    if (at < addr) break;
    size_t n = chunkAt(at, limit - text.size());
    if (!readChunk(at, buf, n)) {
      if (text.empty() && at == addr) return nullptr;
      break;
    }
    const void* nul = std::memchr(buf, 0, n);
    if (nul) {
      text.append(buf, size_t(static_cast<const char*>(nul) - buf));
      return stringNew(text);
    }
    text.append(buf, n);
  }
  return stringNew(text);
}
