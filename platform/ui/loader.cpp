// LoadPanel: builds one panel of the panel file (a Qt Designer file), checks
// its callback names and binds the program's control identifiers to it.
//
// Conventions of the file: the top-level widget holds the panels as children
// with an int property `panelNumber`; a widget's objectName is its control
// name, an optional `lockName` gives it a second one; `callback` names the
// program's callback; a combo box's `itemValues` ("1,2,3") gives its items'
// values; a label with `followSwitch` (a switch's name) and `followTexts`
// ("off text|on text") shows the text of that switch's state; a combo box
// with `portList` lists the serial devices its port numbers reach; a graph's
// `exportColumns` ("x,y1,y2") names the columns its data is saved under.
#include "platform/runtime/internal.h"
#include "platform/ui/events.h"
#include "platform/ui/graph.h"
#include "platform/ui/portlist.h"
#include "platform/ui/readout.h"
#include "platform/ui/registry.h"
#include "platform/ui/start.h"
#include "platform/ui/wheel.h"
#include "platform/ui/widgets.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QUiLoader>

#include <memory>

namespace {

// Creates our own widget classes, the spin boxes that report steps and the
// combo boxes that may list ports, in place of what the file names.
class PanelFileLoader : public QUiLoader {
public:
    PanelFileLoader()
    {
        clearPluginPaths(); // only our classes, never a designer plugin
    }

    QWidget *createWidget(const QString &className, QWidget *parent, const QString &name) override
    {
        QWidget *w = nullptr;
        if (className == QLatin1String("QzSlide"))
            w = new QzSlide(parent);
        else if (className == QLatin1String("QzSwitch"))
            w = new QzSwitch(parent);
        else if (className == QLatin1String("QzLed"))
            w = new QzLed(parent);
        else if (className == QLatin1String("QzReadout"))
            w = new QzReadout(parent);
        else if (className == QLatin1String("QzTimer"))
            w = new QzTimer(parent);
        else if (className == QLatin1String("QzGraph"))
            w = new QzGraph(parent);
        else if (className == QLatin1String("QSpinBox"))
            w = new QzSpinBox(parent);
        else if (className == QLatin1String("QDoubleSpinBox"))
            w = new QzDoubleSpinBox(parent);
        else if (className == QLatin1String("QComboBox"))
            w = new QzComboBox(parent);
        else
            return QUiLoader::createWidget(className, parent, name);
        w->setObjectName(name);
        return w;
    }
};

QString StringProperty(const QObject *o, const char *name)
{
    const QVariant v = o->property(name);
    return v.isValid() ? v.toString() : QString();
}

QString ResolvePath(const char *file)
{
    const QString path = QString::fromLocal8Bit(file);
    if (QFileInfo(path).isAbsolute())
        return path;
    char dir[4096];
    if (GetProjectDir(dir, sizeof dir) != 0)
        return path;
    return QDir(QString::fromLocal8Bit(dir)).filePath(path);
}

// Stores each item's value as its data; absent values are the item indexes.
bool ApplyItemValues(QComboBox *box)
{
    const QVariant prop = box->property("itemValues");
    if (!prop.isValid()) {
        for (int i = 0; i < box->count(); ++i)
            box->setItemData(i, i);
        return true;
    }
    const QStringList parts = prop.toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parts.size() != box->count())
        return false;
    for (int i = 0; i < box->count(); ++i) {
        bool ok = false;
        const int v = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return false;
        box->setItemData(i, v);
    }
    return true;
}

void FollowSwitch(QLabel *label, QzSwitch *sw, const QString &texts)
{
    const QStringList two = texts.split(QLatin1Char('|'));
    const QString off = two.value(0), on = two.value(1);
    auto show = [label, off, on](bool state) { label->setText(state ? on : off); };
    show(sw->isChecked());
    QObject::connect(sw, &QzSwitch::stateChanged, label, show);
}

QWidget *FindNamed(QWidget *panel, const QString &name)
{
    if (panel->objectName() == name)
        return panel;
    for (QWidget *w : panel->findChildren<QWidget *>())
        if (w->objectName() == name)
            return w;
    for (QWidget *w : panel->findChildren<QWidget *>())
        if (StringProperty(w, "lockName") == name)
            return w;
    return nullptr;
}

// Checks the panel and binds it; 0 or a negative UIE_ code.
int Bind(QWidget *panel, int panelNumber, ui::Panel &out, PanelCallback &panelCallback)
{
    const QString panelCb = StringProperty(panel, "callback");
    panelCallback = nullptr;
    if (!panelCb.isEmpty()) {
        panelCallback = rt::FindPanelCallback(panelCb.toUtf8().constData());
        if (!panelCallback)
            return UIE_UNKNOWN_CALLBACK;
    }
    const QList<QWidget *> widgets = panel->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        const QString cb = StringProperty(w, "callback");
        if (!cb.isEmpty() && !rt::FindControlCallback(cb.toUtf8().constData()))
            return UIE_UNKNOWN_CALLBACK;
        if (auto *box = qobject_cast<QComboBox *>(w); box && !ApplyItemValues(box))
            return UIE_BAD_FILE;
    }

    int count = 0;
    const ControlName *table = rt::Controls(count);
    for (int i = 0; table && i < count; ++i) {
        if (table[i].panel != panelNumber || !table[i].name)
            continue;
        QWidget *w = FindNamed(panel, QString::fromUtf8(table[i].name));
        if (!w || w == panel)
            return UIE_MISSING_CONTROL;
        out.controls.push_back(
            {table[i].id, w, ui::KindOf(w), w->objectName() == QLatin1String(table[i].name)});
    }

    for (QWidget *w : widgets) {
        auto *label = qobject_cast<QLabel *>(w);
        const QString target = StringProperty(w, "followSwitch");
        if (!label || target.isEmpty())
            continue;
        auto *sw = qobject_cast<QzSwitch *>(FindNamed(panel, target));
        if (!sw)
            return UIE_BAD_FILE;
        FollowSwitch(label, sw, StringProperty(w, "followTexts"));
    }
    return 0;
}

// Every widget with a callback raises its events under the identifier of its
// own name, or else under its lock-group name.
void BindEvents(QWidget *panel, int handle)
{
    const ui::Panel *p = ui::FindPanel(handle);
    for (QWidget *w : panel->findChildren<QWidget *>()) {
        const QString cb = StringProperty(w, "callback");
        if (cb.isEmpty())
            continue;
        int id = 0;
        for (const ui::Control &c : p->controls)
            if (c.widget == w && (id == 0 || c.byObjectName))
                id = c.id;
        if (id != 0)
            ui::BindControlEvents(w, ui::KindOf(w), handle, id,
                                  rt::FindControlCallback(cb.toUtf8().constData()));
    }
}

} // namespace

int LoadPanel(int parentPanel, const char *file, int panelNumber)
{
    if (!ui::Started())
        return UIE_NO_RUNTIME;
    if (!file || !*file)
        return UIE_NO_FILE;
    QWidget *parentWidget = nullptr;
    if (parentPanel != 0) {
        ui::Panel *parent = ui::FindPanel(parentPanel);
        if (!parent)
            return UIE_BAD_HANDLE;
        parentWidget = parent->widget;
    }

    QFile f(ResolvePath(file));
    if (!f.exists() || !f.open(QIODevice::ReadOnly))
        return UIE_NO_FILE;
    PanelFileLoader loader;
    std::unique_ptr<QWidget> root(loader.load(&f));
    if (!root)
        return UIE_BAD_FILE;

    QWidget *found = nullptr;
    for (QObject *child : root->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        const QVariant number = w ? w->property("panelNumber") : QVariant();
        if (number.isValid() && number.toInt() == panelNumber) {
            found = w;
            break;
        }
    }
    if (!found)
        return UIE_NO_PANEL;
    // Keep panel n alone; the rest of the file goes with the root.
    std::unique_ptr<QWidget> panel(found);
    panel->setParent(nullptr);
    root.reset();

    ui::Panel record;
    PanelCallback panelCallback = nullptr;
    if (const int rc = Bind(panel.get(), panelNumber, record, panelCallback); rc != 0)
        return rc;

    const QSize size = panel->size().expandedTo(panel->minimumSizeHint());
    if (parentWidget)
        panel->setParent(parentWidget, Qt::Tool); // owned by its panel, above it
    else
        panel->setWindowFlags(Qt::Window);
    panel->resize(size);
    // Where the panel sat in the file is no place on the screen: let the
    // window system place the window.
    panel->setAttribute(Qt::WA_Moved, false);
    panel->hide();

    record.number = panelNumber;
    record.parent = parentPanel;
    record.widget = panel.get();
    const int handle = ui::AddPanel(std::move(record));
    BindEvents(panel.get(), handle);
    ui::GuardWheel(panel.get());
    ui::BindPanelEvents(panel.get(), handle, panelCallback);
    panel.release(); // owned by its parent panel, or by the registry until discarded
    return handle;
}
