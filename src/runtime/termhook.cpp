// The terminal hooks (see termhook.h); empty until the screen or the
// keyboard takes the terminal.
#include "runtime/termhook.h"

AwkTermHooks awk_termhooks = {};
