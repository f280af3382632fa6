// User-interface services: panels, controls, graphs, the file popup, array
// files and the event loop. The program's modules call only these; the Qt
// behind them stays inside platform/.
#ifndef PLATFORM_UI_H
#define PLATFORM_UI_H

#include "platform/runtime/loop.h"

#include <cstddef>

// ---- Events a callback receives -------------------------------------------
enum {
    EV_COMMIT = 1,        // the user confirmed a value, or released a button
    EV_VALUE_CHANGED = 2, // the user changed a value
    // Mouse button pressed over the control; for a button also the first
    // half of a keyboard click (space, mnemonic), whose commit follows.
    EV_LEFT_CLICK = 3,
    EV_TIMER_TICK = 4,    // a timer control's interval passed
    EV_CLOSE = 5,         // the user asked to close the panel
    EV_GOT_FOCUS = 6,
    EV_LOST_FOCUS = 7,
};

using CtrlCallback = int (*)(int panel, int control, int event, void *callbackData,
                             int eventData1, int eventData2);
using PanelCallback = int (*)(int panel, int event, void *callbackData, int eventData1,
                              int eventData2);
// The parameter list of a control callback, for declaring many of them.
#define CALLBACK_ARGS                                                                        \
    int panel, int control, int event, void *callbackData, int eventData1, int eventData2

// The program's callbacks by the names the panel file gives them.
struct CallbackName {
    const char *name;
    CtrlCallback control; // for controls (and timers)
    PanelCallback panel;  // for panels
};

// The control identifiers of a panel file: panel number, control name, id.
struct ControlName {
    int panel;
    const char *name;
    int id;
};

// ---- Start and event loop ------------------------------------------------
// The event loop (RunUserInterface, QuitUserInterface, ProcessSystemEvents)
// is the run-time's own, shared with the serial services: platform/runtime/loop.h.

// Starts the run-time with a display (the Qt application for widgets). 1 on
// success, 0 on failure: no display to open, or a run-time started without
// one (InitCoreRunTime) already runs.
int InitRunTime(void *instance);
// Tells the run-time which callbacks and control identifiers exist.
void RegisterCallbacks(const CallbackName *table, int count);
void RegisterControls(const ControlName *table, int count);

// ---- Panels --------------------------------------------------------------
// Builds panel `panelNumber` of the panel file; parent 0 makes it top-level.
// Negative on failure: a missing or broken file, an unknown callback name, a
// control of the identifier table missing from the panel.
int LoadPanel(int parentPanel, const char *file, int panelNumber);
int DisplayPanel(int panel);
// ATTR_TITLE (text): the window title of a top-level panel.
int SetPanelAttribute(int panel, int attribute, const char *value);
int HidePanel(int panel);
int DiscardPanel(int panel);
int GetProjectDir(char *dir, std::size_t size); // the program's directory; 0 or negative

// Error codes of the panel and control operations.
enum {
    UIE_NO_FILE = -1,
    UIE_BAD_FILE = -2,
    UIE_NO_PANEL = -3,
    UIE_UNKNOWN_CALLBACK = -4,
    UIE_MISSING_CONTROL = -5,
    UIE_BAD_HANDLE = -6,
    UIE_BAD_CONTROL = -7,
    UIE_BAD_ATTRIBUTE = -8,
    UIE_NO_RUNTIME = -9,
    UIE_BAD_ARGUMENT = -10,   // a value, count, type or pointer the operation cannot take
    UIE_TOO_MANY_PLOTS = -11, // a graph holds its most plots: delete some first
};

// ---- Control values --------------------------------------------------------
// Setting a value from the program raises no event.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, unsigned int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char *text);
int GetCtrlVal(int panel, int control, int &value);
int GetCtrlVal(int panel, int control, unsigned short &value); // low 16 bits
int GetCtrlVal(int panel, int control, float &value);
int GetCtrlVal(int panel, int control, double &value);
int GetCtrlVal(int panel, int control, char *text, std::size_t size); // always terminated

// ---- Control attributes ----------------------------------------------------
enum {
    ATTR_DIMMED = 1,          // int: 1 greyed and silent
    ATTR_ENABLED = 2,         // int: a timer control ticks only while enabled
    ATTR_VISIBLE = 3,         // int
    ATTR_TEXT_FONT = 4,       // text: a font family, or FONT_APPLICATION
    ATTR_TEXT_COLOR = 5,      // int 0xRRGGBB
    ATTR_TEXT_BGCOLOR = 6,    // int 0xRRGGBB
    ATTR_TEXT_POINT_SIZE = 7, // int: the text's height in (logical) pixels
    ATTR_TOOLTIP = 8,         // text
    ATTR_INTERVAL = 9,        // double: a timer's interval in seconds
    ATTR_TITLE = 10,          // text: a panel's window title
    ATTR_GRAPH_LIVE = 530,    // int: a graph keeps up with every plot while a cycle runs
};
#define FONT_APPLICATION "<application font>"

int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, double value);
int SetCtrlAttribute(int panel, int control, int attribute, const char *value);
int GetCtrlAttribute(int panel, int control, int attribute, int &value);

// Creates a control at run time; only text messages are needed.
enum { CTRL_TEXT_MSG = 1 };
int NewCtrl(int panel, int style, const char *label, int top, int left); // new id or negative

// ---- Graphs ----------------------------------------------------------------
enum { AXIS_X = 0, AXIS_LEFT_Y = 1 };
enum { SCALE_AUTO = 0, SCALE_FIXED = 1 };
enum { DRAW_LATER = 0, DRAW_NOW = 1 };
enum { ALL_PLOTS = -1 };
enum { TYPE_U16 = 1, TYPE_I32 = 2, TYPE_U32 = 3, TYPE_DOUBLE = 4 }; // array element types
enum { PLOT_THIN_LINE = 0, PLOT_FAT_LINE = 1 };
enum { POINT_NONE = 0, POINT_SIMPLE_DOT = 1 };
enum { LINE_SOLID = 0 };

int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max);
int DeleteGraphPlot(int panel, int graph, int plot, int draw);
// Draws a curve of `count` points; the handle of the new plot or negative.
int PlotXY(int panel, int graph, const void *x, const void *y, int count, int xType,
           int yType, int plotStyle, int pointStyle, int lineStyle, int pointFrequency,
           int color);
int PlotRectangle(int panel, int graph, double x1, double y1, double x2, double y2,
                  int lineColor, int fillColor);
int SetGraphCursor(int panel, int graph, int cursor, double x, double y); // cursor 1..3

// ---- File popup ------------------------------------------------------------
enum { BUTTON_OK = 1, BUTTON_LOAD = 2, BUTTON_SAVE = 3 };
enum {
    FILE_POPUP_CANCELLED = 0,
    FILE_POPUP_EXISTING = 1,      // an existing file was chosen
    FILE_POPUP_NEW = 2,           // a new file name was chosen
    FILE_POPUP_PATH_TOO_LONG = -1 // the chosen path does not fit `size`; nothing stored
};
int FileSelectPopup(const char *directory, const char *defaultName, const char *filter,
                    const char *title, int button, int restrictDirectory,
                    int restrictExtension, int allowCancel, int allowMakeDirectory,
                    char *path, std::size_t size);

// ---- Messages to the operator ----------------------------------------------
// What the run-time does on the operator's own request (saving a graph from
// its context menu) it reports through `sink`, e.g. "Graph saved to
// /home/op/line.png" or "Cannot write /home/op/line.csv: Permission denied".
// The sink is called from the event loop like a callback; without one the
// text goes to the standard error. nullptr removes the sink.
void SetMessageSink(void (*sink)(const char *text));

// ---- Array files -----------------------------------------------------------
// Text files of numbers, one group in one column: one number per line.
enum { FILE_ASCII = 0 };
enum { GROUPS_IN_ROWS = 0, GROUPS_IN_COLUMNS = 1 };
enum { FIELD_CONSTANT_WIDTH = 0 };
enum {
    AFE_OPEN = -1,      // cannot open or create the file
    AFE_WRITE = -2,     // writing failed (disk full, ...)
    AFE_READ = -3,      // reading failed
    AFE_TOO_FEW = -4,   // fewer numbers than asked for
    AFE_BAD_NUMBER = -5,// a line is not a number of the element type
    AFE_ARGUMENT = -6,  // bad element type, count or layout
};
// Writes `count` elements, each right-aligned in a field of `fieldWidth`
// characters (wider values take the room they need), one per line.
int ArrayToFile(const char *file, const void *array, int type, int count, int groups,
                int groupLayout, int fieldLayout, int fieldWidth, int fileType);
// Reads `count` elements written by ArrayToFile (or by hand). On any error
// nothing is stored into `array`.
int FileToArray(const char *file, void *array, int type, int count, int groups,
                int groupLayout, int fileType);

#endif
