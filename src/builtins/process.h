// Running other programs: the command runner under system(), spawn() and
// command pipes, and the services that start pipes and plain commands.
//
// Every command runs through the shell with an environment built from an
// AWK array (normally ENVIRON), with the run-time's signal handling and
// floating-point settings taken down around the start so that the child
// begins in a clean state.
#pragma once
#include <cstdint>
#include <cstdio>

#include "values/cell.h"
#include "values/strobj.h"

// Run modes of awk_runcmd.
inline constexpr int kRunWait = 0;       // run and wait (system)
inline constexpr int kRunNoWait = 1;     // start, do not wait (spawn)
inline constexpr int kRunPipeTo = 2;     // pipe to the command's standard input
inline constexpr int kRunPipeFrom = 3;   // pipe from its standard output

// At most this many entries (the terminating null included) in a child's
// environment.
inline constexpr int kMaxEnvEntries = 400;

// Runs command. env: an array cell whose initialised elements become the
// child's environment (a non-array cell: an empty environment; null: the
// run-time's own environment). Returns, by mode: the exit code (wait status
// with its two low bytes exchanged, so a signal gives its number times 256;
// -1 when the shell could not be run), the started process id (-1 when
// fork failed), or 0 for the pipe modes, whose stream goes to *stream (null
// with errno set on failure). A command holding a NUL byte cannot be given
// to the shell: nothing is run, the result is -1 and the stream null.
int32_t awk_runcmd(const AwkString* command, Cell* env, int mode, FILE** stream);

// Starts a pipe to (mode 2) or from (mode 3) command with the environment of
// ENVIRON, after flushing all output. Null with errno set when nothing was
// started; an empty command starts nothing.
FILE* awk_startpipe(const AwkString* command, int mode);

// Runs command with the environment of ENVIRON after flushing all output;
// an empty command runs nothing and gives 0.
int32_t awk_system(const AwkString* command, int mode);

// The AWK global ENVIRON, or null when no program is loaded.
Cell* awk_environcell();

// The environment table awk_runcmd builds from env, for tests: the entries
// ("name=value") and a null, in traversal order. Free with
// awk_freeenv.
char** awk_buildenv(Cell* env);
void awk_freeenv(char** table);
