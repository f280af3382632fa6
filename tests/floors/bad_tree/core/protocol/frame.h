// Breaks the floors on purpose: the protocol core reaches the shared state.
#include "core/protocol/record.h"
#include "core/globals.h"
