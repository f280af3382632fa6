// A measurement answer as read-outs and as a schematic picture of the line:
// cursors on the evaluated position and the window, red bars over the lit
// parts outside the edges, green bars for the tolerance windows.
#include "graph/graph.h"

#include "app/convert.h"
#include "app/globals.h"
#include "panels/QzanRMRivad.h"
#include "platform/ui.h"

namespace {

constexpr double kCursorY = 0.75;
constexpr double kGreenTop = 0.25;
constexpr double kRedTop = 1.0;

void Bar(int x1, double y1, int x2, double y2, int color)
{
    PlotRectangle(panelHandle, PANEL_GRAPH_RAW, x1, y1, x2, y2, color, color);
}

// A tolerance bar whose left end may not fall below pixel 0 (it becomes 1)
// and whose right end may not pass 1023 (it becomes 1024).
void ToleranceBar(int left, int right)
{
    if (left < 0)
        left = 1;
    if (right > 1023)
        right = 1024;
    Bar(left, 0.0, right, kGreenTop, COLOR_GREEN);
}

unsigned short CentreOfEdges(void)
{
    if (pp[0] == 0 || pp[1] == 0)
        return 1;
    return static_cast<unsigned short>((static_cast<unsigned int>(pp[0]) + pp[1]) / 2u);
}

void ShowReadouts(void)
{
    int unit = 0;
    GetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, unit);
    if (unit == 1) {
        SetCtrlVal(panelHandle, PANEL_NUM_Edge1, pp[0]);
        SetCtrlVal(panelHandle, PANEL_NUM_Edge2, pp[1]);
        SetCtrlVal(panelHandle, PANEL_NUM_MeasValue, pp[2]);
        SetCtrlVal(panelHandle, PANEL_Slide_Reference, pp[3]);
        SetCtrlVal(panelHandle, PANEL_Slide_Tolerance, pp[4]);
        return;
    }
    // Micrometres: the edges and the tolerance in whole numbers, the measured
    // and teach values with the scale factor.
    SetCtrlVal(panelHandle, PANEL_NUM_Edge1, PixelsToMicrons(pp[0], PPITCH));
    SetCtrlVal(panelHandle, PANEL_NUM_Edge2, PixelsToMicrons(pp[1], PPITCH));
    SetCtrlVal(panelHandle, PANEL_NUM_MeasValue, ScaledPixelsToMicrons(scaleF, pp[2], PPITCH));
    SetCtrlVal(panelHandle, PANEL_Slide_Reference, ScaledPixelsToMicrons(scaleF, pp[3], PPITCH));
    SetCtrlVal(panelHandle, PANEL_Slide_Tolerance, PixelsToMicrons(pp[4], PPITCH));
}

} // namespace

void PlotRAWValues(void)
{
    // The operator's scale factor holds only while the width is evaluated.
    unsigned short position = 0;
    switch (eMode) {
    case 0:
        position = pp[0];
        scaleF = 1.0f;
        break;
    case 1:
        position = pp[1];
        scaleF = 1.0f;
        break;
    case 2:
        position = CentreOfEdges();
        break;
    default:
        position = CentreOfEdges();
        scaleF = 1.0f;
        break;
    }

    ShowReadouts();

    tVal = pp[3];
    tTol = pp[4];
    pix1 = pp[5];
    edcnt = pp[6];
    mvstart = pp[7];
    mvend = pp[8];

    unsigned short lo = 0, hi = 1024;
    if (ccdMode == 1 || ccdMode == 2) {
        const unsigned short start = ccdMode == 1 ? pStart : pix1;
        lo = start > 768 ? 768 : start;
        hi = static_cast<unsigned short>(lo + 256);
        SetAxisScalingMode(panelHandle, PANEL_GRAPH_RAW, AXIS_X, SCALE_FIXED, lo, hi);
    } else {
        SetAxisScalingMode(panelHandle, PANEL_GRAPH_RAW, AXIS_X, SCALE_FIXED, 0.0, 1024.0);
        SetGraphCursor(panelHandle, PANEL_GRAPH_RAW, 2, eBeg, kCursorY);
        SetGraphCursor(panelHandle, PANEL_GRAPH_RAW, 3, eEnd, kCursorY);
    }

    DeleteGraphPlot(panelHandle, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_LATER);

    if (position < lo)
        position = lo;
    if (position > hi)
        position = hi;
    SetGraphCursor(panelHandle, PANEL_GRAPH_RAW, 1, position, kCursorY);

    if (edcnt == 1) {
        if (mvstart < mvend)
            Bar(pp[0], kGreenTop, hi, kRedTop, COLOR_RED);
        else
            Bar(lo, kGreenTop, pp[0], kRedTop, COLOR_RED);
    } else {
        Bar(lo, kGreenTop, pp[0], kRedTop, COLOR_RED);
        Bar(pp[1], kGreenTop, hi, kRedTop, COLOR_RED);
    }

    if (eMode == 2) {
        // Tolerance windows of both edges for a nominal width tVal centred on
        // the evaluated position.
        const int h = tVal / 2;
        const int k = tTol / 2;
        ToleranceBar(position - h - k, position - h + k);
        Bar(position + h - k, 0.0, position + h + k, kGreenTop, COLOR_GREEN);
    } else {
        ToleranceBar(static_cast<int>(tVal) - tTol, static_cast<int>(tVal) + tTol);
    }
}
