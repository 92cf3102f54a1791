#include "ui/MessageBoxPrompter.h"

#include <QApplication>
#include <QMessageBox>

void MessageBoxPrompter::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KORVEXConfig"), text, QMessageBox::Ok, m_parent);
    // Texts quote device bytes and file names; never let them turn into markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool MessageBoxPrompter::confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxPrompter::beep()
{
    QApplication::beep();
}
