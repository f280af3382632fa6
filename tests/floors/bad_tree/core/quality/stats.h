// Breaks the floors on purpose: the quality figures reach the platform.
#include "core/protocol/frame.h"
#include "core/quality/alarm.h"
#include "platform/ui/wheel.h"
