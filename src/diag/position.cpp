#include "diag/position.h"

int32_t awk_linenumber = 0;
int16_t awk_fun_gid = 0;
int awk_time_counter = 0;
int32_t awk_nr = 0;
int32_t awk_fnr = 0;
