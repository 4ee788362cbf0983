// The program image loader: finds the image (a .ae file, or the tail of a
// bound executable), reads the root record and the segments into the state
// of program/vm.h, and checks and prepares the image once.
#pragma once
#include <cstddef>
#include <cstdint>

#include "program/vm.h"

extern char awk_progpath[260];          // path the image was read from
extern int awk_imageopened;             // the image file was opened by a search

// The binding marker: reads "X1X2X3X4X" while no image is bound to this
// executable; a binding tool overwrites it.
extern volatile char awk_bindmarker[12];
bool awk_isbound();                     // the marker no longer reads "X1X2"

// ---- loading ---------------------------------------------------------------
int vm_open(const char* path);          // 0 only when the file cannot be opened
// Loads an image held in memory in place: the segments stay in `image`,
// which the loaded program rewrites and which must outlive it (`name`
// stands for the file in messages).
void vm_borrowimage(unsigned char* image, size_t size, const char* name);
int awk_openprog(const char* dir, const char* name, const char* ext);
int awk_searchpath(const char* name);
void awk_openself(const char* name);    // bound mode; ends the run on failure
int awk_validaefile();                  // 1 when the loaded image is acceptable
void awk_readroot();

// One-time check and preparation of the loaded image (verify.cpp). Returns
// true when the image is well formed; it is then in native layout.
bool awk_prepareimage();

// Drops the loaded image and every table built from it (tests, fuzzing).
void awk_vm_reset();

// Creates a uniquely named temporary file, returns it open read-write and
// leaves its name in buf (at least 260 bytes).
int awk_opentmp(char* buf);

