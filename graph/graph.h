// The two pictures: the line data as a curve, and a measurement answer as a
// schematic picture of the sensor line with its read-outs.
#ifndef GRAPH_GRAPH_H
#define GRAPH_GRAPH_H

void PlotDATACurve(const unsigned short *data);
void PlotRAWValues(void);

// Colours of the pictures.
inline constexpr int COLOR_RED = 0xFF0000;
inline constexpr int COLOR_GREEN = 0x00FF00;
inline constexpr int COLOR_DARK_GREEN = 0x008000;
inline constexpr int COLOR_GREY = 0xA0A0A0;
inline constexpr int COLOR_BLUE = 0x0000FF;
inline constexpr int COLOR_WHITE = 0xFFFFFF;

#endif
