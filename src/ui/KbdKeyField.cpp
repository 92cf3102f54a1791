#include "ui/KbdKeyField.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

KbdKeyField::KbdKeyField(QWidget *parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setAlignment(Qt::AlignCenter);
    setContextMenuPolicy(Qt::NoContextMenu);
}

bool KbdKeyField::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Every key belongs to the capture, Ctrl+C and friends included.
        event->accept();
        return true;
    case QEvent::KeyPress:
        // Tab and Backtab would otherwise move the focus before the field sees
        // them; a Tab that reaches a key field is a key to capture.
        keyPressEvent(static_cast<QKeyEvent *>(event));
        return true;
    default:
        return QLineEdit::event(event);
    }
}

void KbdKeyField::keyPressEvent(QKeyEvent *event)
{
    if (onKey)
        onKey(event);
    event->accept();
}

bool KbdKeyField::focusNextPrevChild(bool)
{
    return false;
}

void KbdKeyField::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    // The space bar's name is a single space, which would look like an empty
    // field. Show a visible stand-in without touching the stored name.
    if (text() != QStringLiteral(" "))
        return;
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    painter.drawText(area, Qt::AlignCenter, QStringLiteral("(space)"));
}
