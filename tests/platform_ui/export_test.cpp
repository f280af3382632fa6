// Exports from the graphs' context menu: the data graph's curves as CSV
// (named columns, every point, plain numbers whatever the locale), the
// picture as PNG and SVG and on the clipboard, files that appear whole or not
// at all, the file dialog's start folder, the reports to the program's
// message sink, and that no program callback runs while menu or dialog is up.
#include "support.h"

#include "platform/ui/graph.h"
#include "platform/ui/graph_export.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>

namespace {

std::vector<std::string> g_messages;
void RecordMessage(const char *text) { g_messages.emplace_back(text); }

// Runs `act` on the first visible widget of type T once one appears (a menu
// or a modal dialog opened by the step the test takes next).
template <typename T>
void WhenShown(std::function<void(T *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        T *found = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
                found = t;
        if (!found)
            return;
        timer->stop();
        timer->deleteLater();
        act(found);
    });
    timer->start();
}

QStringList MenuTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << a->text();
    return texts;
}

void Choose(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions()) {
        if (a->text() == text) {
            menu->setActiveAction(a);
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    }
    menu->close();
}

// Types `path` into the dialog's file name and presses Return.
void Answer(QFileDialog *dialog, const QString &path)
{
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (!name) {
        dialog->reject();
        return;
    }
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class GraphExport : public PanelsTest {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        g_messages.clear();
        SetMessageSink(RecordMessage);
    }
    void TearDown() override
    {
        SetMessageSink(nullptr);
        PanelsTest::TearDown();
    }

    QzGraph *Graph(int control) const { return static_cast<QzGraph *>(Control(panel, control)); }

    // The line data as the program draws it: 256 samples and the threshold.
    void PlotLine()
    {
        std::uint16_t x[256], data[256], threshold[256];
        for (int i = 0; i < 256; ++i) {
            x[i] = static_cast<std::uint16_t>(4 * i);
            data[i] = static_cast<std::uint16_t>((i * 37) % 1024);
            threshold[i] = 480;
        }
        DeleteGraphPlot(panel, PANEL_GraphData, ALL_PLOTS, DRAW_LATER);
        PlotXY(panel, PANEL_GraphData, x, data, 256, TYPE_U16, TYPE_U16, PLOT_FAT_LINE,
               POINT_SIMPLE_DOT, LINE_SOLID, 1, 0xFF0000);
        PlotXY(panel, PANEL_GraphData, x, threshold, 256, TYPE_U16, TYPE_U16, PLOT_FAT_LINE,
               POINT_NONE, LINE_SOLID, 1, 0x008000);
    }

    // A right click on the graph, as the window system delivers it.
    void RightClick(int control)
    {
        QzGraph *graph = Graph(control);
        QPoint at(graph->width() / 2, graph->height() / 2);
        QWidget *plot = graph->childAt(at); // the drawing fills the graph
        ASSERT_NE(plot, nullptr);
        at = plot->mapFrom(graph, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, plot->mapToGlobal(at));
        QApplication::sendEvent(plot, &event);
    }

    QTemporaryDir dir;
};

TEST_F(GraphExport, csvHoldsTheNamedColumnsAndEveryPointInPlottingOrder)
{
    PlotLine();
    const QString path = dir.filePath("line.csv");
    ASSERT_EQ(graph_export::Save(*Graph(PANEL_GraphData), graph_export::Format::Csv, path), "");

    const QList<QByteArray> lines = ReadAll(path).split('\n');
    ASSERT_EQ(lines.size(), 258); // header, 256 points, and the last line's end
    EXPECT_EQ(lines[0], "pixel,sample,threshold");
    EXPECT_EQ(lines[1], "0,0,480");
    EXPECT_EQ(lines[2], "4,37,480");
    EXPECT_EQ(lines[256], "1020,219,480");
    EXPECT_EQ(lines[257], "");
    EXPECT_FALSE(ReadAll(path).contains('\r'));
}

TEST_F(GraphExport, csvNumbersArePlainDecimalsWhateverTheLocale)
{
    // A locale with a decimal comma, in Qt and in the C library.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const bool cLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    const double x[4] = {-5, 0.25, 1e-7, 123456789012.0};
    const double y[4] = {2.5, -0.125, 1e21, 3};
    const double shortY[2] = {7, 8};
    DeleteGraphPlot(panel, PANEL_GraphData, ALL_PLOTS, DRAW_LATER);
    PlotXY(panel, PANEL_GraphData, x, y, 4, TYPE_DOUBLE, TYPE_DOUBLE, 0, 0, 0, 1, 0);
    PlotRectangle(panel, PANEL_GraphData, 0, 0, 1, 1, 0, 0); // no curve, no column
    PlotXY(panel, PANEL_GraphData, x, shortY, 2, TYPE_DOUBLE, TYPE_DOUBLE, 0, 0, 0, 1, 0);

    const QByteArray csv =
        graph_export::CsvText(*GetGraphModel(panel, PANEL_GraphData), " pixel , sample,short ");
    QLocale::setDefault(QLocale::c());
    if (cLocale)
        std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(csv, "pixel,sample,short\n"
                   "-5,2.5,7\n"
                   "0.25,-0.125,8\n"
                   "0.0000001,1000000000000000000000,\n"
                   "123456789012,3,\n");
}

TEST_F(GraphExport, pngAndSvgShowTheGraphAtItsSize)
{
    PlotLine();
    QzGraph *graph = Graph(PANEL_GraphData);
    const QString png = dir.filePath("line.png"), svg = dir.filePath("line.svg");
    ASSERT_EQ(graph_export::Save(*graph, graph_export::Format::Png, png), "");
    ASSERT_EQ(graph_export::Save(*graph, graph_export::Format::Svg, svg), "");

    const QImage picture(png);
    const double ratio = graph->devicePixelRatioF();
    EXPECT_EQ(picture.size(), graph->size() * ratio);
    // The red data curve is in the picture, not only the axes.
    bool red = false;
    for (int y = 0; y < picture.height() && !red; ++y)
        for (int x = 0; x < picture.width() && !red; ++x)
            red = picture.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_TRUE(red);

    QSvgRenderer drawing(svg);
    ASSERT_TRUE(drawing.isValid());
    EXPECT_EQ(drawing.viewBox().size(), graph->size());
    EXPECT_TRUE(ReadAll(svg).contains("#ff0000"));
}

TEST_F(GraphExport, aFileThatCannotBeWrittenSaysWhyAndLeavesNothingBehind)
{
    PlotLine();
    QzGraph *graph = Graph(PANEL_GraphData);
    // Not a folder: no file can be made below it.
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_NE(graph_export::Save(*graph, graph_export::Format::Csv, dir.filePath("blocker/x.csv")),
              "");

    // A good file, then a write that fails half-way (the disk "full" at
    // 200 bytes): the good file stays as it was, and no part file is left.
    const QString path = dir.filePath("line.csv");
    ASSERT_EQ(graph_export::Save(*graph, graph_export::Format::Csv, path), "");
    const QByteArray before = ReadAll(path);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 200;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString error = graph_export::Save(*graph, graph_export::Format::Csv, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(error, "File too large");
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"blocker", "line.csv"}));
}

TEST_F(GraphExport, anExportOverALinkedProtectedFileKeepsTheLinkAndTheMode)
{
    PlotLine();
    QzGraph *graph = Graph(PANEL_GraphData);
    const QString target = dir.filePath("kept.png"), link = dir.filePath("line.png");
    ASSERT_EQ(graph_export::Save(*graph, graph_export::Format::Png, target), "");
    namespace fs = std::filesystem;
    fs::permissions(target.toStdString(), fs::perms(0640));
    ASSERT_TRUE(QFile::link(QStringLiteral("kept.png"), link));
    ASSERT_EQ(graph_export::Save(*graph, graph_export::Format::Csv, link), "");
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_TRUE(ReadAll(target).startsWith("pixel,sample,threshold\n"));
    EXPECT_EQ(fs::status(target.toStdString()).permissions(), fs::perms(0640));
}

TEST_F(GraphExport, theMenuSavesDataThroughTheDialogAndReportsToTheSink)
{
    PlotLine();
    const QString path = dir.filePath("from-menu.csv");
    QStringList offered;
    QString startedIn;
    WhenShown<QMenu>([&](QMenu *menu) {
        offered = MenuTexts(menu);
        WhenShown<QFileDialog>([&](QFileDialog *dialog) {
            startedIn = dialog->directory().absolutePath();
            Answer(dialog, path);
        });
        Choose(menu, QString::fromUtf8("Save data as CSV\u2026"));
    });
    RightClick(PANEL_GraphData);

    EXPECT_EQ(offered, (QStringList{QString::fromUtf8("Save as PNG\u2026"),
                                    QString::fromUtf8("Save as SVG\u2026"), "Copy to clipboard",
                                    QString::fromUtf8("Save data as CSV\u2026")}));
    EXPECT_FALSE(startedIn.isEmpty());
    EXPECT_TRUE(ReadAll(path).startsWith("pixel,sample,threshold\n0,0,480\n"));
    EXPECT_EQ(g_messages, (std::vector<std::string>{"Graph data saved to " + path.toStdString()}));
    // A right click is no click of the program's: the graph's callback heard nothing.
    EXPECT_TRUE(EventsOf(PANEL_GraphData).empty());

    // The next dialog starts where the last export went.
    EXPECT_EQ(graph_export::StartDirectory(), dir.path());
    WhenShown<QMenu>([&](QMenu *menu) {
        WhenShown<QFileDialog>([&](QFileDialog *dialog) {
            startedIn = dialog->directory().absolutePath();
            dialog->reject();
        });
        Choose(menu, QString::fromUtf8("Save as PNG\u2026"));
    });
    RightClick(PANEL_GRAPH_RAW);
    EXPECT_EQ(startedIn, dir.path());
    EXPECT_EQ(g_messages.size(), 1u); // a cancelled dialog reports nothing
}

TEST_F(GraphExport, aFailedSaveFromTheMenuIsReportedWithItsReason)
{
    PlotLine();
    QFile blocker(dir.filePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.filePath("blocker/line.png");
    WhenShown<QMenu>([&](QMenu *menu) {
        WhenShown<QFileDialog>([&](QFileDialog *dialog) { Answer(dialog, path); });
        Choose(menu, QString::fromUtf8("Save as PNG\u2026"));
    });
    RightClick(PANEL_GraphData);
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0], "Cannot write " + path.toStdString() + ": Not a directory");
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(GraphExport, copyPutsThePictureOnTheClipboard)
{
    PlotLine();
    WhenShown<QMenu>([](QMenu *menu) { Choose(menu, "Copy to clipboard"); });
    RightClick(PANEL_GraphData);
    const QImage copied = QGuiApplication::clipboard()->image();
    QzGraph *graph = Graph(PANEL_GraphData);
    EXPECT_EQ(copied.size(), graph->size() * graph->devicePixelRatioF());
    EXPECT_EQ(g_messages, (std::vector<std::string>{"Graph copied to the clipboard"}));
}

TEST_F(GraphExport, aGraphWithoutColumnsOffersNoDataAndAnEmptyOneNoneToSave)
{
    QStringList raw;
    WhenShown<QMenu>([&](QMenu *menu) {
        raw = MenuTexts(menu);
        menu->close();
    });
    RightClick(PANEL_GRAPH_RAW);
    EXPECT_FALSE(raw.contains(QString::fromUtf8("Save data as CSV\u2026")));
    EXPECT_EQ(raw.size(), 3);

    DeleteGraphPlot(panel, PANEL_GraphData, ALL_PLOTS, DRAW_LATER);
    bool dataEnabled = true;
    WhenShown<QMenu>([&](QMenu *menu) {
        for (QAction *a : menu->actions())
            if (a->text() == QString::fromUtf8("Save data as CSV\u2026"))
                dataEnabled = a->isEnabled();
        menu->close();
    });
    RightClick(PANEL_GraphData);
    EXPECT_FALSE(dataEnabled);
    EXPECT_NE(graph_export::Save(*Graph(PANEL_GraphData), graph_export::Format::Csv,
                                 dir.filePath("empty.csv")),
              "");
    EXPECT_FALSE(QFile::exists(dir.filePath("empty.csv")));
}

TEST_F(GraphExport, noProgramCallbackRunsWhileTheMenuOrTheDialogIsOpen)
{
    PlotLine();
    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_INTERVAL, 0.01);
    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_ENABLED, 1);
    Pump(50);
    ASSERT_FALSE(EventsOf(PANEL_Timer50ms).empty()); // it ticks

    std::size_t inMenu = 1, inDialog = 1;
    WhenShown<QMenu>([&](QMenu *menu) {
        ClearEvents();
        QTest::qWait(100);
        inMenu = EventsOf(PANEL_Timer50ms).size();
        WhenShown<QFileDialog>([&](QFileDialog *dialog) {
            QTest::qWait(100);
            inDialog = EventsOf(PANEL_Timer50ms).size();
            dialog->reject();
        });
        Choose(menu, QString::fromUtf8("Save as SVG\u2026"));
    });
    RightClick(PANEL_GraphData);
    EXPECT_EQ(inMenu, 0u);
    EXPECT_EQ(inDialog, 0u);
    // Held back, not lost: the timer ticks again once both are closed.
    ClearEvents();
    Pump(100);
    EXPECT_FALSE(EventsOf(PANEL_Timer50ms).empty());
    SetCtrlAttribute(panel, PANEL_Timer50ms, ATTR_ENABLED, 0);
}

TEST_F(GraphExport, theStartFolderFallsBackToTheProgramsWhenTheLastIsGone)
{
    PlotLine();
    QTemporaryDir gone;
    const QString path = gone.filePath("x.csv");
    WhenShown<QMenu>([&](QMenu *menu) {
        WhenShown<QFileDialog>([&](QFileDialog *dialog) { Answer(dialog, path); });
        Choose(menu, QString::fromUtf8("Save data as CSV\u2026"));
    });
    RightClick(PANEL_GraphData);
    ASSERT_EQ(graph_export::StartDirectory(), gone.path());
    gone.remove();
    EXPECT_EQ(graph_export::StartDirectory(), QCoreApplication::applicationDirPath());
}

} // namespace
