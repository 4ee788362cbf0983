// The terminal hooks (see termhook.h); empty until the screen or the
// keyboard takes the terminal.
#include "diag/termhook.h"

AwkTermHooks awk_termhooks = {};
