#pragma once

#include <QByteArray>
#include <QPlainTextEdit>

// The description box: multi-line 8-bit text. The operator can type at most
// maxChars characters; a longer text set by the program (a description read
// from a file) is shown whole and may be shortened but not lengthened.
class DescriptionEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit DescriptionEdit(int maxChars, QWidget *parent = nullptr);

    QByteArray bytes() const;
    // Shows bytes unless the box already shows them.
    void showBytes(const QByteArray &bytes);

    std::function<void()> onRefused;

signals:
    // The operator changed the text.
    void bytesEdited(const QByteArray &bytes);

private:
    void contentsChanged(int position, int removed, int added);

    int m_maxChars;
    bool m_programChange = false;
};
