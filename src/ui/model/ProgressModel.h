#pragma once

#include <QObject>
#include <QString>

// The progress display of reading and sending: bar, "Progress" caption and
// percentage label, shown and hidden together.
class ProgressModel : public QObject
{
    Q_OBJECT

public:
    explicit ProgressModel(QObject *parent = nullptr);

    bool isVisible() const { return m_visible; }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }
    QString percentText() const { return m_percentText; }

    void setVisible(bool visible);
    void setMaximum(int maximum);
    void setValue(int value);
    void setPercentText(const QString &text);

    // Sets the bar and the label to the whole-number percentage of the bar,
    // remainder dropped: 1 of 15 reads "6%".
    void step(int value);

signals:
    void changed();

private:
    bool m_visible = false;
    int m_maximum = 100;
    int m_value = 0;
    QString m_percentText = QStringLiteral("pcnt");
};
