// The panels as an operator sees them: nothing overlaps or is cut, the main
// panel fits a 1280x800 screen with its top band free for the information
// texts, and both graphs are large enough to read. With QZAN_SNAPSHOT_DIR set
// it also saves pictures of both panels there.
#include "support.h"

#include "platform/ui/widgets.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

namespace {

// The information texts as the program places them at start-up.
struct InfoText {
    const char *text;
    int left, top, size;
};
constexpr InfoText kInfoTexts[] = {
    {"PC-SOFTWARE: Q-ZAN Series", 15, 8, 11}, {"Vornhal GmbH", 15, 21, 11},
    {"Tel. +49 0000 000000", 15, 36, 11},    {"Q-ZAN-RM-Rivad", 200, 20, 20},
    {"Version 1.0", 360, 28, 11},
};

void AddInfoTexts(int panel)
{
    for (const InfoText &t : kInfoTexts) {
        const int id = NewCtrl(panel, CTRL_TEXT_MSG, "", t.top, t.left);
        ASSERT_GT(id, 0);
        SetCtrlAttribute(panel, id, ATTR_TEXT_FONT, FONT_APPLICATION);
        SetCtrlAttribute(panel, id, ATTR_TEXT_COLOR, 0x0000FF);
        SetCtrlAttribute(panel, id, ATTR_TEXT_BGCOLOR, 0xFFFFFF);
        SetCtrlAttribute(panel, id, ATTR_TEXT_POINT_SIZE, t.size);
        SetCtrlVal(panel, id, t.text);
    }
}

// Visible children of `parent` that the layout placed, pairwise apart.
void ExpectNoOverlap(QWidget *parent)
{
    QList<QWidget *> kids;
    for (QObject *o : parent->children()) {
        auto *w = qobject_cast<QWidget *>(o);
        if (w && w->isVisible() && !w->isWindow())
            kids << w;
    }
    for (int i = 0; i < kids.size(); ++i) {
        EXPECT_TRUE(parent->rect().contains(kids[i]->geometry()))
            << kids[i]->objectName().toStdString() << " sticks out of "
            << parent->objectName().toStdString();
        for (int j = i + 1; j < kids.size(); ++j)
            EXPECT_FALSE(kids[i]->geometry().intersects(kids[j]->geometry()))
                << kids[i]->objectName().toStdString() << " overlaps "
                << kids[j]->objectName().toStdString();
    }
}

void ExpectReadable(QWidget *panel)
{
    ExpectNoOverlap(panel);
    for (QGroupBox *g : panel->findChildren<QGroupBox *>())
        if (g->window() == panel)
            ExpectNoOverlap(g);
    for (QLabel *l : panel->findChildren<QLabel *>()) {
        if (!l->isVisible())
            continue;
        EXPECT_GE(l->width(), l->minimumSizeHint().width()) << l->objectName().toStdString();
    }
    for (QAbstractButton *b : panel->findChildren<QAbstractButton *>()) {
        if (!b->isVisible())
            continue;
        EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text().remove('&')))
            << b->objectName().toStdString();
    }
    for (QComboBox *c : panel->findChildren<QComboBox *>())
        EXPECT_GE(c->width(), c->minimumSizeHint().width()) << c->objectName().toStdString();
}

// A measurement answer and line data as the program draws them, so the
// pictures show the graphs at work.
void DrawSample(int panel)
{
    DeleteGraphPlot(panel, PANEL_GRAPH_RAW, ALL_PLOTS, DRAW_LATER);
    PlotRectangle(panel, PANEL_GRAPH_RAW, 0, 0.25, 380, 1.0, 0xFF0000, 0xFF0000);
    PlotRectangle(panel, PANEL_GRAPH_RAW, 640, 0.25, 1024, 1.0, 0xFF0000, 0xFF0000);
    PlotRectangle(panel, PANEL_GRAPH_RAW, 412, 0.0, 612, 0.25, 0x00FF00, 0x00FF00);
    SetGraphCursor(panel, PANEL_GRAPH_RAW, 1, 510, 0.75);
    SetGraphCursor(panel, PANEL_GRAPH_RAW, 2, 200, 0.75);
    SetGraphCursor(panel, PANEL_GRAPH_RAW, 3, 800, 0.75);
    unsigned short x[256], y[256], thd[256];
    for (int i = 0; i < 256; ++i) {
        x[i] = static_cast<unsigned short>(4 * i);
        y[i] = static_cast<unsigned short>(i > 95 && i < 160 ? 180 + (i * 7) % 40 : 800 + (i * 13) % 60);
        thd[i] = 512;
    }
    DeleteGraphPlot(panel, PANEL_GraphData, ALL_PLOTS, DRAW_NOW);
    PlotXY(panel, PANEL_GraphData, x, y, 256, TYPE_U16, TYPE_U16, PLOT_FAT_LINE, POINT_SIMPLE_DOT,
           LINE_SOLID, 1, 0xFF0000);
    PlotXY(panel, PANEL_GraphData, x, thd, 256, TYPE_U16, TYPE_U16, PLOT_FAT_LINE,
           POINT_SIMPLE_DOT, LINE_SOLID, 1, 0x008000);
    SetCtrlVal(panel, PANEL_NUM_Edge1, 380);
    SetCtrlVal(panel, PANEL_NUM_Edge2, 640);
    SetCtrlVal(panel, PANEL_NUM_MeasValue, 640);
    SetCtrlVal(panel, PANEL_STATUS, "Line Ok!");
}

void Snapshot(QWidget *w, const char *name)
{
    const QByteArray dir = qgetenv("QZAN_SNAPSHOT_DIR");
    if (dir.isEmpty())
        return;
    const QString scale = QString::fromLocal8Bit(qgetenv("QT_SCALE_FACTOR"));
    const QString file = QDir(QString::fromLocal8Bit(dir))
                             .filePath(QStringLiteral("%1%2.png")
                                           .arg(QLatin1String(name),
                                                scale.isEmpty() ? QString() : "-x" + scale));
    EXPECT_TRUE(w->grab().save(file));
}

class LookTest : public PanelsTest {};

TEST_F(LookTest, mainPanelFitsTheScreenWithItsTopBandFreeAndNothingOverlapping)
{
    QWidget *w = PanelWidget(panel);
    AddInfoTexts(panel);
    DrawSample(panel);
    DisplayPanel(popup);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(PanelWidget(popup)));
    Pump(100);

    EXPECT_EQ(w->windowTitle(), QStringLiteral("Q-ZAN-RM-Rivad"));
    EXPECT_LE(w->width(), 1280);
    EXPECT_LE(w->height(), 800);

    // The information band: texts inside it, apart from each other and from
    // every group below.
    QList<QLabel *> texts;
    for (QObject *o : w->children())
        if (auto *l = qobject_cast<QLabel *>(o); l && l->objectName().isEmpty())
            texts << l; // made at run time: no name
    ASSERT_EQ(texts.size(), 5);
    for (QLabel *t : texts) {
        EXPECT_LE(t->geometry().bottom(), 60) << t->text().toStdString();
        for (QLabel *u : texts) {
            if (t == u)
                continue;
            EXPECT_FALSE(t->geometry().intersects(u->geometry()))
                << t->text().toStdString() << " overlaps " << u->text().toStdString();
        }
    }
    for (QGroupBox *g : w->findChildren<QGroupBox *>()) {
        if (g->window() != w)
            continue;
        EXPECT_GT(g->mapTo(w, QPoint(0, 0)).y(), 60) << g->objectName().toStdString();
    }

    for (QLabel *t : texts) // the layout's share, texts left out
        t->hide();
    ExpectReadable(w);
    for (QLabel *t : texts)
        t->show();

    // Graphs large enough to read a 1024-pixel line on.
    for (int g : {PANEL_GRAPH_RAW, PANEL_GraphData}) {
        EXPECT_GE(Control(panel, g)->width(), 600);
        EXPECT_GE(Control(panel, g)->height(), 180);
    }
    Snapshot(w, "main-panel");
}

TEST_F(LookTest, tabbingFollowsTheGroupsFromTopLeft)
{
    const QStringList expected = {
        "Slide_Power", "RingPowerMode", "NEDITVideoThreshold", "RingPolarity", "DropDEvalmode",
        "NEDITEdgeLeft", "NEDITEdgeRight", "RBTRam", "RBTEeprom", "RBTFile", "BTNSend", "BTNGet",
        "DropDCom", "BTNCompare", "BTNRun", "BTNStop", "BTNData", "ButtonTeach", "BTN_CCDSettings",
        "BTNTrend", "BTNMonitor", "BINSWITCH_UM"};
    QStringList visited;
    QWidget *start = Control(panel, PANEL_Slide_Power)->focusProxy();
    QWidget *w = start;
    do {
        // A slide takes the focus with its slider: name it by the slide.
        QWidget *named = qobject_cast<QzSlide *>(w->parentWidget()) ? w->parentWidget() : w;
        if (w->focusPolicy() & Qt::TabFocus && expected.contains(named->objectName()) &&
            !visited.contains(named->objectName()))
            visited << named->objectName();
        w = w->nextInFocusChain();
    } while (w != start && visited.size() < 50);
    EXPECT_EQ(visited.join(' ').toStdString(), expected.join(' ').toStdString());
}

TEST_F(LookTest, popupIsACompactToolWindowWithNothingOverlapping)
{
    QWidget *w = PanelWidget(popup);
    DisplayPanel(popup);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("CCD settings"));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::Tool));
    EXPECT_LE(w->width(), 520);
    EXPECT_LE(w->height(), 600);
    ExpectReadable(w);
    Snapshot(w, "popup");
}

} // namespace
