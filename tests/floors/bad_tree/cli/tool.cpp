// Breaks the floors on purpose: the tool reaches the program's shared state.
#include "cli/line.h"
#include "core/globals.h"
