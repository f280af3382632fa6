// Breaks the floors on purpose: link/ and graph/ share a floor.
#include "core/globals.h"
#include "link/com232.h"
