#pragma once

#include <QByteArray>
#include <QObject>
#include <QRect>
#include <QSize>

class KeyRows;

// The shared description box and its connector line: which row it belongs
// to, where it lies (twips), what it shows, and when its text is committed to
// the row. The widgets only show this state and feed edits back.
class DescriptionBox : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxChars = 200;

    explicit DescriptionBox(KeyRows &rows, QObject *parent = nullptr);

    bool isVisible() const { return m_visible; }
    QByteArray text() const { return m_text; }
    QRect boxRect() const { return m_box; }
    // The connector: a horizontal line from lineLeft to lineRight at lineY.
    int lineLeft() const { return m_lineLeft; }
    int lineRight() const { return m_lineRight; }
    int lineY() const { return m_lineY; }

    void setBoxSize(const QSize &twips);
    // Row descriptions work only while enabled (the descriptions option).
    void setDescriptionsEnabled(bool enabled) { m_descriptionsEnabled = enabled; }
    // The operator edited the box.
    void setText(const QByteArray &text);

    // A click on row r's length label.
    void StringCount_Click(int r);
    void ShowDescription(int r);
    // Hides the box and its connector; the text is not committed.
    void hide();

signals:
    void changed();

private:
    void commit();
    void rowDescriptionChanged(int row);

    KeyRows &m_rows;
    bool m_visible = false;
    bool m_descriptionsEnabled = false;
    int m_row = 0;
    QByteArray m_text = QByteArrayLiteral("String Description");
    QRect m_box;
    int m_lineLeft = 0;
    int m_lineRight = 0;
    int m_lineY = 0;
};
