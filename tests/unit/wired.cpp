// Run-time unit tests see the layers connected as start-up connects them
// (the diagnostics' formatter and location, the reader's rules, the
// builtins of the upper layers).
#include "runtime/wiring.h"

[[gnu::used]] static const bool wired = (awk_wire(), true);
