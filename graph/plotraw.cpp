// A measurement answer as read-outs and as a schematic picture of the line:
// cursors on the evaluated position and the window, red bars over the lit
// parts outside the edges, green bars for the tolerance windows.
#include "graph/graph.h"

#include "core/convert.h"
#include "core/globals.h"
#include "core/protocol/frame.h"
#include "panels/QzanRMRivad.h"
#include "platform/ui.h"

namespace {

using qzan::protocol::Measurement;

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

unsigned short CentreOfEdges(const Measurement &m)
{
    if (m.edge1 == 0 || m.edge2 == 0)
        return 1;
    return static_cast<unsigned short>((static_cast<unsigned int>(m.edge1) + m.edge2) / 2u);
}

void ShowReadouts(const Measurement &m)
{
    int unit = 0;
    GetCtrlVal(panelHandle, PANEL_BINSWITCH_UM, unit);
    if (unit == 1) {
        SetCtrlVal(panelHandle, PANEL_NUM_Edge1, m.edge1);
        SetCtrlVal(panelHandle, PANEL_NUM_Edge2, m.edge2);
        SetCtrlVal(panelHandle, PANEL_NUM_MeasValue, m.measured);
        SetCtrlVal(panelHandle, PANEL_Slide_Reference, m.teach);
        SetCtrlVal(panelHandle, PANEL_Slide_Tolerance, m.tolerance);
        return;
    }
    // Micrometres: the edges and the tolerance in whole numbers, the measured
    // and teach values with the scale factor.
    SetCtrlVal(panelHandle, PANEL_NUM_Edge1, PixelsToMicrons(m.edge1, PPITCH));
    SetCtrlVal(panelHandle, PANEL_NUM_Edge2, PixelsToMicrons(m.edge2, PPITCH));
    SetCtrlVal(panelHandle, PANEL_NUM_MeasValue, ScaledPixelsToMicrons(scaleF, m.measured, PPITCH));
    SetCtrlVal(panelHandle, PANEL_Slide_Reference, ScaledPixelsToMicrons(scaleF, m.teach, PPITCH));
    SetCtrlVal(panelHandle, PANEL_Slide_Tolerance, PixelsToMicrons(m.tolerance, PPITCH));
}

} // namespace

void PlotRAWValues(void)
{
    const Measurement m = qzan::protocol::ReadMeasurement(pp);
    // The operator's scale factor holds only while the width is evaluated.
    unsigned short position = 0;
    switch (eMode) {
    case 0:
        position = m.edge1;
        scaleF = 1.0f;
        break;
    case 1:
        position = m.edge2;
        scaleF = 1.0f;
        break;
    case 2:
        position = CentreOfEdges(m);
        break;
    default:
        position = CentreOfEdges(m);
        scaleF = 1.0f;
        break;
    }

    ShowReadouts(m);

    tVal = m.teach;
    tTol = m.tolerance;
    pix1 = m.windowStart;
    edcnt = m.edges;
    mvstart = m.startLevel;
    mvend = m.endLevel;

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
            Bar(m.edge1, kGreenTop, hi, kRedTop, COLOR_RED);
        else
            Bar(lo, kGreenTop, m.edge1, kRedTop, COLOR_RED);
    } else {
        Bar(lo, kGreenTop, m.edge1, kRedTop, COLOR_RED);
        Bar(m.edge2, kGreenTop, hi, kRedTop, COLOR_RED);
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
