// Finding external functions: the library search list (DLLS) and the
// dynamic loader.
//
// A descriptor's name is "library:function" (or ';' as the separator). A
// named library is opened directly; with no library the words of DLLS are
// tried in order, the word `self` meaning the running program together with
// every library it has loaded. Each lookup tries the name as given, then
// with a leading underscore. Handles that yielded a function stay open for
// the run; the others are closed again.
//
// The default list names this host's C and math libraries as the loader
// knows them (found among the loaded objects, so "libc.so.6" on glibc
// rather than the linker script "libc.so"), then `self`.
#include <dlfcn.h>
#include <link.h>

#include <cctype>
#include <cstring>
#include <string>

#include "host/extern.h"
#include "io/globals.h"
#include "diag/oops.h"
#include "values/strobj.h"

namespace {

// Base name of the first loaded object whose base name starts with prefix.
struct LoadedLookup {
  const char* prefix;
  std::string found;
};

int visitLoaded(dl_phdr_info* info, size_t, void* data) {
  auto* look = static_cast<LoadedLookup*>(data);
  const char* name = info->dlpi_name ? info->dlpi_name : "";
  const char* slash = std::strrchr(name, '/');
  const char* base = slash ? slash + 1 : name;
  if (std::strncmp(base, look->prefix, std::strlen(look->prefix)) != 0) return 0;
  look->found = base;
  return 1;
}

std::string loadedLibrary(const char* prefix, const char* fallback) {
  LoadedLookup look{prefix, {}};
  dl_iterate_phdr(visitLoaded, &look);
  return look.found.empty() ? fallback : look.found;
}

void* lookup(void* handle, const char* fn) {
  if (void* p = dlsym(handle, fn)) return p;
  std::string under = std::string("_") + fn;
  return dlsym(handle, under.c_str());
}

void* openLibrary(const std::string& lib) {
  return lib == kDllSelf ? dlopen(nullptr, RTLD_LAZY) : dlopen(lib.c_str(), RTLD_LAZY);
}

// Walks DLLS for fn; null when no listed library has it.
void* searchList(const char* fn) {
  const char* p = awk_dlls ? awk_dlls->text() : "";
  for (;;) {
    while (*p && std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (!*p) return nullptr;
    const char* start = p;
    while (*p && !std::isspace(static_cast<unsigned char>(*p))) ++p;
    void* handle = openLibrary(std::string(start, size_t(p - start)));
    if (!handle) continue;
    if (void* f = lookup(handle, fn)) return f;
    dlclose(handle);
  }
}

}  // namespace

void awk_dllinit() {
  std::string list = loadedLibrary("libc.so", "libc.so.6") + " " +
                     loadedLibrary("libm.so", "libm.so.6") + " " + kDllSelf;
  if (awk_dlls) stringFree(awk_dlls);
  awk_dlls = stringNew(list.c_str());
}

void* awk_dllresolve(const char* name) {
  const char* sep = std::strchr(name, ':');
  if (!sep) sep = std::strchr(name, ';');
  std::string lib = sep ? std::string(name, size_t(sep - name)) : std::string();
  const char* fn = sep ? sep + 1 : name;
  if (lib.empty()) {
    void* f = searchList(fn);
    if (!f) oops('w', "Could not find DLL function '%s'; specify name in extern declaration", fn);
    return f;
  }
  void* handle = dlopen(lib.c_str(), RTLD_LAZY);
  if (!handle) {
    oops('w', "Could not load library: '%s'", lib.c_str());
    return nullptr;
  }
  void* f = lookup(handle, fn);
  if (!f) {
    oops('w', "Could not find function '%s' in library: '%s'", fn, lib.c_str());
    dlclose(handle);
  }
  return f;
}
