// Wildcard directory search: the names in one directory that match the
// last component of a pattern with '*', '?' and '[...]'.
#pragma once
#include <dirent.h>

#include <cstdint>

// One search in progress.
struct AwkDosMatch {
  DIR* dir;          // null when no search is active
  char* dirpart;     // directory to search ("." for none); owned
  char* comp;        // the last component of the pattern; owned
};

// Attribute bit: directories match too.
inline constexpr int kDosMatchDirs = 16;

// The next path that matches pattern, or null when the directory is done
// (the state is then closed). With first set a new search starts. The
// path lives in one shared buffer until the next call.
const char* awk_dosmatch(const char* pattern, int attr, int first, AwkDosMatch* state);
void awk_dosmatchclose(AwkDosMatch* state);

// Matches name against one pattern component: the bytes matched (the whole
// name), -1 for no match, -2 for a malformed pattern.
int awk_wildmatch(const char* pattern, const char* name);
// 0 if the component is well formed, -2 if not.
int awk_wildcheck(const char* pattern);
// True if text has a wildcard character ('*' or '?').
bool awk_haswild(const char* text);
