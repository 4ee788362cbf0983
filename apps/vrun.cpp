// vrun: the run-time. Stand-alone it runs the image named by its first
// argument; bound to an image it runs that image.
#include "runtime/startup.h"

int main(int argc, char** argv, char** envp) { awk_main(argc, argv, envp); }
