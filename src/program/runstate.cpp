#include "program/runstate.h"

int awk_gt_conditions = 0;
int awk_exitstatus = 0;
volatile int awk_intflag = 0;
int awk_nomoreints = 0;
