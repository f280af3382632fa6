// Breaks the floors on purpose: the link calls a floor above it.
#include "link/com232.h"
#include "settings/gui.h"
