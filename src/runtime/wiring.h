// Start-up connects the lower layers to the services above them that they
// may call but must not include: the diagnostics' formatter, location and
// termination, the record reader's rules and signal poll, and the special
// variable SIGNAL. Everything else points down.
#pragma once

void awk_wire();
