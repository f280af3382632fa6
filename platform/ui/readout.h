// A numeric display: a whole number in a sunken field. A measurement cycle
// changes it with every answer, so it paints itself cheaply and opaquely:
// one fill, one frame, one cached line of text, and nothing behind it.
#ifndef PLATFORM_UI_READOUT_H
#define PLATFORM_UI_READOUT_H

#include <QStaticText>
#include <QWidget>

class QzReadout : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue)

public:
    explicit QzReadout(QWidget *parent = nullptr);

    int value() const { return m_value; }
    void setValue(int v);
    QString text() const { return m_text.text(); } // what it shows

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override;
    void changeEvent(QEvent *e) override;

private:
    int m_value = 0;
    QStaticText m_text;
};

#endif
