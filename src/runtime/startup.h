// Start-up, run phases and shut-down: the run-time's main line.
#pragma once
#include <cstddef>
#include <cstdint>

#include "diag/oops.h"
#include "program/runstate.h"
#include "values/cell.h"


extern AwkTable* awk_argvtab;    // the ARGV table, for the record reader
extern int32_t awk_argvcount;    // elements stored in it

[[noreturn]] void awk_main(int argc, char** argv, char** envp);
// Runs an image already in memory, as awk_main runs the image named by
// argv[1]; argv holds the program name and the operands. The image is used
// in place (rewritten as it is prepared) and must outlive the run.
[[noreturn]] void awk_main_image(unsigned char* image, size_t size, int argc, char** argv,
                                 char** envp);
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
void awk_droptempimage();                // removes a compile-and-go temporary image

void awk_init_env(char** envp);
void awk_set_argv(const char* path, int n, char** args);
void awk_ivar(const char* text);         // command-line assignment name=value
char* awk_fixfilename(char* path);       // lower case, backslashes, drive letter
void awk_copyrite();                     // the version banner

