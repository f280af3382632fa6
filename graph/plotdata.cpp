// The data curve: 256 line samples in red with the video threshold over them
// in dark green, on fixed axes in pixels of the sensor line.
#include "graph/graph.h"

#include "core/globals.h"
#include "panels/QzanRMRivad.h"
#include "platform/ui.h"

void PlotDATACurve(const unsigned short *data)
{
    if (ccdMode == 0) {
        // Full line: sample i stands for pixel 4i.
        SetAxisScalingMode(panelHandle, PANEL_GraphData, AXIS_X, SCALE_FIXED, 1.0, 1024.0);
        for (int i = 0; i < LINE_SAMPLES; ++i)
            xArray[i] = static_cast<unsigned short>(4 * i);
    } else {
        // A 256-pixel window starting at the pixel the sensor reported.
        SetAxisScalingMode(panelHandle, PANEL_GraphData, AXIS_X, SCALE_FIXED, pix1, pix1 + 256.0);
        for (int i = 0; i < LINE_SAMPLES; ++i)
            xArray[i] = static_cast<unsigned short>((pix1 + i) & 0xFFFF);
    }
    SetAxisScalingMode(panelHandle, PANEL_GraphData, AXIS_LEFT_Y, SCALE_FIXED, 0.0, 1023.0);
    DeleteGraphPlot(panelHandle, PANEL_GraphData, ALL_PLOTS, DRAW_NOW);
    PlotXY(panelHandle, PANEL_GraphData, xArray, data, LINE_SAMPLES, TYPE_U16, TYPE_U16,
           PLOT_FAT_LINE, POINT_SIMPLE_DOT, LINE_SOLID, 1, COLOR_RED);
    PlotXY(panelHandle, PANEL_GraphData, xArray, thdArray, LINE_SAMPLES, TYPE_U16, TYPE_U16,
           PLOT_FAT_LINE, POINT_SIMPLE_DOT, LINE_SOLID, 1, COLOR_DARK_GREEN);
}
