// The two pictures: the line data as a curve, and a measurement answer as a
// schematic picture of the sensor line with its read-outs.
#ifndef GRAPH_GRAPH_H
#define GRAPH_GRAPH_H

#include "core/colors.h" // the colours the pictures are drawn in

void PlotDATACurve(const unsigned short *data);
void PlotRAWValues(void);

#endif
