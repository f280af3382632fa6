// The quality panel and the histogram on Qt's offscreen platform: what the
// operator reads for a series without spread, the alarm's look, the rule's
// spin boxes, and the histogram's exports.
#include "views/histogram.h"
#include "views/quality_panel.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace q = qzan::quality;

TEST(QualityPanel, ConstantSeriesShowsNotDefinedWithoutNumbersThatAreNone)
{
    QualityPanel panel;
    const std::vector<float> constant(50, 1234);
    const auto f = q::Describe(constant, {1230, 10});
    panel.ShowFigures(f, q::Describe({}, {1230, 10}), 0.014, QStringLiteral("µm"));
    EXPECT_EQ(panel.FigureText(0, 0), "50");
    EXPECT_EQ(panel.FigureText(1, 0), QStringLiteral("17.28 µm")); // 1234 px * 14 nm
    EXPECT_EQ(panel.FigureText(2, 0), QStringLiteral("0.000 µm"));
    EXPECT_EQ(panel.FigureText(6, 0), "0 (0.0 %)");
    EXPECT_EQ(panel.FigureText(7, 0), "not defined");
    EXPECT_EQ(panel.FigureText(8, 0), "not defined");
    // Nothing since the reset: no mean, no extremes.
    EXPECT_EQ(panel.FigureText(0, 1), "0");
    for (int row : {1, 2, 3, 4, 5, 7, 8})
        EXPECT_EQ(panel.FigureText(row, 1), "not defined") << row;
    for (int row = 0; row < QualityPanel::ROWS; ++row)
        for (int column : {0, 1}) {
            EXPECT_FALSE(panel.FigureText(row, column).contains("nan")) << row;
            EXPECT_FALSE(panel.FigureText(row, column).contains("inf")) << row;
        }
}

TEST(QualityPanel, AlarmLookFollowsLatchAndCondition)
{
    QualityPanel panel;
    auto *acknowledge = panel.findChild<QWidget *>("BTNQualityAcknowledge");
    ASSERT_TRUE(acknowledge);
    EXPECT_EQ(panel.AlarmLook(), "none");
    EXPECT_FALSE(acknowledge->isEnabled());
    panel.ShowAlarm(true, true, 3, 5);
    EXPECT_EQ(panel.AlarmLook(), "latched");
    EXPECT_TRUE(acknowledge->isEnabled());
    panel.ShowAlarm(false, true, 3, 5);
    EXPECT_EQ(panel.AlarmLook(), "active");
    panel.ShowAlarm(false, false, 3, 5);
    EXPECT_EQ(panel.AlarmLook(), "none");
    EXPECT_FALSE(acknowledge->isEnabled());
}

TEST(QualityPanel, RuleKeepsKWithinNAndTakesTheWheelOnlyWithFocus)
{
    QualityPanel panel;
    QSignalSpy rules(&panel, &QualityPanel::ruleChanged);
    auto *k = panel.findChild<QSpinBox *>("qualityAlarmK");
    auto *n = panel.findChild<QSpinBox *>("qualityAlarmN");
    ASSERT_TRUE(k && n);
    EXPECT_EQ(panel.AlarmK(), 3);
    EXPECT_EQ(panel.AlarmN(), 5);
    n->setValue(2); // k follows down, one announcement of the whole rule
    ASSERT_EQ(rules.count(), 1);
    EXPECT_EQ(rules.at(0).at(0).toInt(), 2);
    EXPECT_EQ(rules.at(0).at(1).toInt(), 2);
    k->setValue(7);
    EXPECT_EQ(panel.AlarmK(), 2);
    EXPECT_NE(k->focusPolicy() & Qt::TabFocus, 0);

    // A wheel turn over n without the focus leaves it as it is.
    panel.show();
    QWheelEvent turn(QPointF(5, 5), n->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, 120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(n, &turn);
    EXPECT_EQ(n->value(), 2);
}

TEST(HistogramView, CsvExportHoldsTheCountsAndBadRequestsFail)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    HistogramView view;
    view.resize(400, 300);
    QString error;
    EXPECT_FALSE(view.Export(dir.filePath("empty.csv"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath("empty.csv")));

    const std::vector<float> values{10, 11, 11, 13, 13, 13};
    view.ShowValues(values, {12, 1}, 2, QStringLiteral("µm"));
    ASSERT_TRUE(view.Export(dir.filePath("h.csv"), &error)) << error.toStdString();
    QFile csv(dir.filePath("h.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(csv.readAll()), QStringLiteral("from (µm),to (µm),count\n"
                                                               "19,21,1\n"
                                                               "21,23,2\n"
                                                               "23,25,0\n"
                                                               "25,27,3\n"));

    EXPECT_TRUE(view.Export(dir.filePath("h.PNG"), &error)) << error.toStdString();
    EXPECT_TRUE(view.Export(dir.filePath("h.svg"), nullptr));
    EXPECT_GT(QFile(dir.filePath("h.PNG")).size(), 0);
    EXPECT_GT(QFile(dir.filePath("h.svg")).size(), 0);
    EXPECT_FALSE(view.Export(dir.filePath("h.txt"), &error));
    EXPECT_TRUE(error.contains(".csv"));
    EXPECT_FALSE(view.Export(dir.filePath("no/such/folder/h.csv"), &error));
    EXPECT_FALSE(error.isEmpty());
}

// Pictures of both widgets with an alarm and a series off its setpoint:
// QZAN_SNAPSHOT_DIR=<folder> quality_view_tests --gtest_filter=*Snapshot*
TEST(QualityViews, Snapshot)
{
    const char *folder = std::getenv("QZAN_SNAPSHOT_DIR");
    if (!folder)
        GTEST_SKIP() << "QZAN_SNAPSHOT_DIR not set";
    std::vector<float> values;
    unsigned seed = 7;
    for (int i = 0; i < 600; ++i) {
        seed = seed * 1103515245u + 12345u;
        values.push_back(static_cast<float>(1500 + (seed >> 16) % 9 + (seed >> 20) % 7));
    }
    const q::Limits limits{1505, 8};
    QualityPanel panel;
    q::Running running;
    for (float v : values)
        running.Add(v, limits);
    panel.ShowFigures(q::Describe(values, limits), running.Now(limits), 1, QStringLiteral("px"));
    panel.ShowAlarm(true, true, 3, 5);
    panel.adjustSize();
    panel.show();
    EXPECT_TRUE(panel.grab().save(QString::fromLocal8Bit(folder) + "/quality_panel.png"));
    HistogramView view;
    view.resize(480, 320);
    view.ShowValues(values, limits, 1, QStringLiteral("px"));
    EXPECT_TRUE(view.Export(QString::fromLocal8Bit(folder) + "/histogram.png", nullptr));
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
