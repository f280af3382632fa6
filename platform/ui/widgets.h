// The control widgets that Qt lacks or that need one more signal: slide,
// binary switch, LED, timer placeholder, and spin boxes that report a step.
#ifndef PLATFORM_UI_WIDGETS_H
#define PLATFORM_UI_WIDGETS_H

#include <QColor>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QWidget>

class QLabel;
class QSlider;
class QTimer;

// A horizontal slider with its value as a number beside it. An indicator
// slide only shows what the program sets: the number shows the value exactly,
// even beyond the bar's range, and only the bar is clamped.
class QzSlide : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int value READ value WRITE setValue)
    Q_PROPERTY(int pageStep READ pageStep WRITE setPageStep)
    Q_PROPERTY(bool indicator READ isIndicator WRITE setIndicator)

public:
    explicit QzSlide(QWidget *parent = nullptr);

    int minimum() const;
    int maximum() const;
    int value() const { return m_value; }
    int pageStep() const;
    bool isIndicator() const { return m_indicator; }
    void setMinimum(int v);
    void setMaximum(int v);
    // An input slide clamps to its range; an indicator keeps `v` as it is.
    void setValue(int v);
    void setPageStep(int v);
    void setIndicator(bool on);
    // Moves an input slide as the operator would: its signals follow.
    void editValue(int v);
    QString shownText() const; // the number beside the bar

signals:
    void valueEdited(int value); // the user moved the slider
    void editFinished();         // the user let go of it or stepped it

private:
    void showValue();

    QSlider *m_slider;
    QLabel *m_number;
    int m_value = 0;
    bool m_indicator = false;
};

// A two-state switch with a label for each state; value 0 (off) or 1 (on).
class QzSwitch : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool checked READ isChecked WRITE setChecked)
    Q_PROPERTY(QString onText READ onText WRITE setOnText)
    Q_PROPERTY(QString offText READ offText WRITE setOffText)

public:
    explicit QzSwitch(QWidget *parent = nullptr);

    bool isChecked() const { return m_on; }
    void setChecked(bool on);
    QString onText() const { return m_onText; }
    QString offText() const { return m_offText; }
    void setOnText(const QString &t);
    void setOffText(const QString &t);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Flips it as the operator's click or key does.
    void toggleByUser();

signals:
    void toggledByUser(bool on); // the user flipped it
    void stateChanged(bool on);  // it changed, by the user or the program

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    QRect trackRect() const;

    bool m_on = false;
    QString m_onText = QStringLiteral("On");
    QString m_offText = QStringLiteral("Off");
};

// A round lamp: lit (1) or dark (0).
class QzLed : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool on READ isOn WRITE setOn)
    Q_PROPERTY(QColor onColor READ onColor WRITE setOnColor)

public:
    explicit QzLed(QWidget *parent = nullptr);

    bool isOn() const { return m_on; }
    void setOn(bool on);
    QColor onColor() const { return m_onColor; }
    void setOnColor(const QColor &c);

    QSize sizeHint() const override { return {18, 18}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    bool m_on = false;
    QColor m_onColor = QColor(0, 200, 0);
};

// The timer control: invisible on its panel, it ticks every `interval` ms
// while enabled, whether the panel is shown or not. Its `enabled` property
// shadows QWidget's on purpose: the panel file's `enabled` means "ticking".
class QzTimer : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int interval READ interval WRITE setInterval)
    Q_PROPERTY(bool enabled READ isTicking WRITE setTicking)

public:
    explicit QzTimer(QWidget *parent = nullptr);

    int interval() const;
    void setInterval(int ms);
    bool isTicking() const;
    void setTicking(bool on);

signals:
    void tick();

private:
    QTimer *m_timer;
};

// Spin boxes that tell when the user stepped the value (arrow, key, wheel):
// a step confirms the entry like Enter does.
class QzSpinBox : public QSpinBox {
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;
    void stepBy(int steps) override;
signals:
    void stepped();
};

// Holds four decimals; shows three unless the fourth is needed, so 1.000
// reads as an operator expects and 1.2345 still shows what it holds.
class QzDoubleSpinBox : public QDoubleSpinBox {
    Q_OBJECT
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    void stepBy(int steps) override;
    QString textFromValue(double value) const override;
signals:
    void stepped();
};

#endif
