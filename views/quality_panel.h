// The statistics beside the trend: the figures of the span the trend shows
// and of every answer since the last reset, the limit alarm's state and its
// k-of-n rule, with Reset and Acknowledge.
#ifndef VIEWS_QUALITY_PANEL_H
#define VIEWS_QUALITY_PANEL_H

#include "core/quality/stats.h"

#include <QString>
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QSpinBox;

class QualityPanel : public QWidget {
    Q_OBJECT
public:
    explicit QualityPanel(QWidget *parent = nullptr);

    // Figures in pixels, shown in `unit`: `scale` turns pixels into it (1
    // for px, the pitch in micrometres for µm). Cp and Cpk have no unit.
    void ShowFigures(const qzan::quality::Figures &span, const qzan::quality::Figures &sinceReset,
                     double scale, const QString &unit);
    // Latched: red background and the alarm's text until acknowledged.
    // Active alone (acknowledged while it holds): a red frame.
    void ShowAlarm(bool latched, bool active, int k, int n);

    int AlarmK() const;
    int AlarmN() const;

    // The texts of one figure's row, for tests: column 0 the shown span,
    // 1 since the reset. Rows as in the panel, from 0 (Count).
    QString FigureText(int row, int column) const;
    // "latched", "active" or "none": how the alarm looks now.
    QString AlarmLook() const;

    static constexpr int ROWS = 9;

signals:
    void resetRequested();
    void acknowledgeRequested();
    void ruleChanged(int k, int n);

private:
    void RuleEdited();

    QLabel *values_[ROWS][2] = {};
    QFrame *alarmBox_ = nullptr;
    QLabel *alarmText_ = nullptr;
    QSpinBox *k_ = nullptr, *n_ = nullptr;
    QPushButton *reset_ = nullptr, *acknowledge_ = nullptr;
    int ruleK_ = 3, ruleN_ = 5; // the rule last announced
    QString look_ = QStringLiteral("none");
};

#endif
