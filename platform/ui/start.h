// Whether the run-time was started with a display: widgets need a Qt
// application of their own, which a start without a display does not make.
#ifndef PLATFORM_UI_START_H
#define PLATFORM_UI_START_H

namespace ui {

bool Started(); // InitRunTime succeeded (or a QApplication already existed)

} // namespace ui

#endif
