// Notes a program draws at one place for every record (a comparison of a
// field with a number, an uninitialized index) are shown once per place:
// the first one says what and where, the rest would only flood stderr.
#pragma once

// True when a located note with this format was already shown for the
// statement now running (function and line); records it otherwise. False
// outside any function or line, where every note is shown.
bool awk_note_repeated(const char* format);
