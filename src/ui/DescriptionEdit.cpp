#include "ui/DescriptionEdit.h"

#include "ui/Latin1Text.h"

#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

DescriptionEdit::DescriptionEdit(int maxChars, QWidget *parent) : QPlainTextEdit(parent), m_maxChars(maxChars)
{
    // A TAB would split the description's record in a .cfg file; Tab moves on.
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this, &DescriptionEdit::contentsChanged);
}

QByteArray DescriptionEdit::bytes() const
{
    return toPlainText().toLatin1();
}

void DescriptionEdit::showBytes(const QByteArray &bytes)
{
    if (this->bytes() == bytes)
        return;
    const QScopedValueRollback<bool> programChange(m_programChange, true);
    setPlainText(QString::fromLatin1(bytes));
}

void DescriptionEdit::contentsChanged(int position, int removed, int added)
{
    if (m_programChange)
        return;

    // Drop what the operator typed or pasted that 8-bit text cannot hold, and
    // whatever goes past the limit.
    const QString text = toPlainText();
    const int length = static_cast<int>(text.size());
    const int before = length - added + removed;
    int excess = qMax(0, length - qMax(m_maxChars, before));
    excess = qMin(excess, added);

    const QString inserted = text.mid(position, added);
    QString kept = latin1Only(inserted, QChar::ParagraphSeparator);
    const int refused = static_cast<int>(inserted.size() - kept.size());
    excess = qMax(0, excess - refused);
    if (excess > 0)
        kept.chop(excess);

    if (kept.size() != inserted.size()) {
        const QScopedValueRollback<bool> programChange(m_programChange, true);
        QTextCursor cursor(document());
        cursor.setPosition(position);
        cursor.setPosition(position + added, QTextCursor::KeepAnchor);
        cursor.insertText(kept);
        setTextCursor(cursor);
        if (onRefused)
            onRefused();
    }
    emit bytesEdited(bytes());
}
