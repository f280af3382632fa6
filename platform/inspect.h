// What tests, benchmarks and diagnostics may read of the run-time: the graph
// model behind each graph, the widgets behind panels and controls, and a hook
// that answers the file popup.
#ifndef PLATFORM_INSPECT_H
#define PLATFORM_INSPECT_H

#include <cstddef>
#include <string>
#include <vector>

class QWidget;

// One plot of a graph: a curve (x, y, colour) or a rectangle.
struct GraphPlot {
    enum Kind { Curve, Rectangle } kind = Curve;
    int handle = 0;
    int color = 0;     // curve colour or rectangle line colour, 0xRRGGBB
    int fillColor = 0; // rectangles
    int plotStyle = 0, pointStyle = 0, lineStyle = 0;
    std::vector<double> x, y;         // curves
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // rectangles
};

struct GraphAxis {
    bool fixed = false;
    double min = 0, max = 0;
};

// A graph as the program drew it. `plots[0 .. plotCount)` are the live plots
// in drawing order; entries beyond keep their storage for reuse.
struct GraphModel {
    GraphAxis xAxis, yAxis;
    std::vector<GraphPlot> plots;
    int plotCount = 0;
    double cursorX[3] = {0, 0, 0}, cursorY[3] = {0, 0, 0};
    long long deleteCalls = 0;    // DeleteGraphPlot calls since the panel was loaded
    long long curvesDrawn = 0;    // PlotXY calls
    long long rectanglesDrawn = 0;// PlotRectangle calls
    long long repaints = 0;       // times the graph was actually drawn on screen
};

const GraphModel *GetGraphModel(int panel, int graph);

// How a graph reached the screen. Its fixed layer (frame, axes, grid, tick
// labels, curves) is drawn into a buffer only when one of them changed; a
// frame in which only bars and cursors moved repaints just the pixels they
// left or reached, over that buffer.
struct GraphPaintStats {
    long long fixedLayer = 0;  // times the buffer was drawn anew
    long long movingLayer = 0; // frames that repainted bars and cursors only
    long long stillFrames = 0; // frames in which nothing visible moved
    long long movingArea = 0;  // pixels (logical) those frames marked for repainting
    long long lastMovingArea = 0;
};
const GraphPaintStats *GetGraphPaintStats(int panel, int graph);

QWidget *PanelWidget(int panel);
QWidget *ControlWidget(int panel, int control);

// What a program asked of the file popup.
struct FilePopupRequest {
    std::string directory, defaultName, filter, title;
    int button = 0;
    int restrictDirectory = 0, restrictExtension = 0, allowCancel = 0, allowMakeDirectory = 0;
};
// A test may answer the file popup instead of the dialog: return a
// FILE_POPUP_* code and set `path`. Pass nullptr to use the real dialog again.
using FilePopupHook = int (*)(const FilePopupRequest &request, std::string &path);
void SetFilePopupHook(FilePopupHook hook);
const FilePopupRequest &LastFilePopupRequest();

// Statistics of the event loop, for benchmarks.
struct EventLoopStats {
    long long processCalls = 0;   // ProcessSystemEvents calls
    long long guardExpiries = 0;  // waits ended by the guard, not by an event
};
const EventLoopStats &GetEventLoopStats();

#endif
