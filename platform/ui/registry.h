// The loaded panels and their controls: handles, identifiers, kinds, and the
// rules that keep a discarded panel from being touched again.
#ifndef PLATFORM_UI_REGISTRY_H
#define PLATFORM_UI_REGISTRY_H

#include "platform/ui.h"

#include <QPointer>
#include <QWidget>

#include <vector>

namespace ui {

// What a widget is to the program; decides which values and events it has.
enum class Kind {
    Button,       // QPushButton: left-click on press, commit on release
    Numeric,      // QSpinBox (input or, when read-only, a display)
    Readout,      // QzReadout: a numeric display
    NumericFloat, // QDoubleSpinBox
    Slide,        // QzSlide
    Ring,         // QComboBox: rings and drop-downs
    Switch,       // QzSwitch
    Radio,        // QRadioButton
    Led,          // QzLed
    TextBox,      // QLineEdit
    TextMessage,  // QLabel
    Graph,        // QzGraph
    Timer,        // QzTimer
    Other,
};
Kind KindOf(const QWidget *w);

struct Control {
    int id = 0;
    QPointer<QWidget> widget;
    Kind kind = Kind::Other;
    bool byObjectName = false; // false: bound by its lock-group name
};

struct Panel {
    int handle = 0;
    int number = 0; // panel number in the file
    int parent = 0; // handle of the owning panel, 0 for a top-level one
    QPointer<QWidget> widget;
    std::vector<Control> controls;
    int nextNewControlId = 100000; // ids of controls made at run time
};

// Takes the panel in and returns its new handle (small, positive, not reused).
int AddPanel(Panel panel);
Panel *FindPanel(int handle);
// Forgets the panel and every panel it owns; returns their widgets' owner,
// the panel's own widget, for the caller to destroy.
QWidget *RemovePanel(int handle);
std::vector<int> PanelHandles();

// Looks up a control; 0 with `out` set, or UIE_BAD_HANDLE / UIE_BAD_CONTROL.
int FindControl(int panel, int control, Control *&out);

// Program callbacks on the stack. While any runs, a discarded panel is only
// hidden and deleted later: the callback may have been raised from inside
// one of that panel's widgets.
class CallbackScope {
public:
    CallbackScope();
    ~CallbackScope();
    CallbackScope(const CallbackScope &) = delete;
    CallbackScope &operator=(const CallbackScope &) = delete;
};
int CallbackDepth();

// Counts modal dialogs run by the run-time; a button press whose callback
// ran one has lost its release to that dialog.
void NoteModalDialog();
long long ModalDialogCount();

} // namespace ui

#endif
