#include "ui/StatusIcon.h"

StatusIcon::StatusIcon(const QPixmap &questionMark, const QPixmap &checkMark, QWidget *parent)
    : QLabel(parent), m_questionMark(questionMark), m_checkMark(checkMark)
{
    setScaledContents(true);
    setVisible(false);
    setAccessibleDescription(QStringLiteral("not verified"));
}

void StatusIcon::showIcon(RowIcon icon)
{
    switch (icon) {
    case RowIcon::Hidden:
        setVisible(false);
        setAccessibleDescription(QStringLiteral("not verified"));
        return;
    case RowIcon::QuestionMark:
        // A missing picture file shows nothing rather than failing.
        setPixmap(m_questionMark);
        setAccessibleDescription(QStringLiteral("not verified"));
        break;
    case RowIcon::CheckMark:
        setPixmap(m_checkMark);
        setAccessibleDescription(QStringLiteral("verified"));
        break;
    }
    setVisible(true);
}
