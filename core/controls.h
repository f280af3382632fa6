// Switching controls on and off: the one way every module dims a control.
#ifndef CORE_CONTROLS_H
#define CORE_CONTROLS_H

// Dims (1) or undims (0) `control` on `panel`. A dimmed control is greyed
// and raises no event, which keeps a second exchange from starting inside a
// running one.
void Dim(int panel, int control, int dimmed);

#endif
