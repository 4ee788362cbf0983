// Start-up, run phases and shut-down: the run-time's main line.
#pragma once
#include <cstdint>

#include "interp/cell.h"

// Pending control conditions, set by the interpreter.
inline constexpr int kCondNext = 1;
inline constexpr int kCondExit = 2;
extern int awk_gt_conditions;
extern int awk_exitstatus;       // status after a normal end
extern volatile int awk_intflag; // an interrupt or signal is pending
extern int awk_nomoreints;       // set at termination

extern AwkTable* awk_argvtab;    // the ARGV table, for the record reader
extern int32_t awk_argvcount;    // elements stored in it

[[noreturn]] void awk_main(int argc, char** argv, char** envp);
void awk_init1(int argc, char** argv, char** envp);
void awk_init3();

void awk_runphase(int gid);      // no-op for gid 0
void awk_varinit_exec();
void awk_begin_exec();
void awk_patact_exec();
void awk_end_exec();
void awk_beginfile_exec();
void awk_endfile_exec();

void awk_terminate(int doterm);
void awk_droptempimage();                // removes vorn's temporary image
[[noreturn]] void awk_exit(int status, int doterm);

void awk_init_env(char** envp);
void awk_set_argv(const char* path, int n, char** args);
void awk_ivar(const char* text);         // command-line assignment name=value
char* awk_fixfilename(char* path);       // lower case, backslashes, drive letter
void awk_copyrite();                     // the version banner

// Lets a host (a fuzzer, an in-process test) take over the final exit: when
// set, awk_exit calls it with the status instead of ending the process. The
// hook must not return (it longjmps).
extern void (*awk_exithook)(int status);
