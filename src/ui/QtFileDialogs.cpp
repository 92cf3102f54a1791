#include "ui/QtFileDialogs.h"

#include <QFileDialog>

std::optional<QString> QtFileDialogs::openFileName(const QString &directory)
{
    const QString name = QFileDialog::getOpenFileName(m_parent, QString(), directory,
                                                      QStringLiteral("KORVEX (*.cfg);;All Files (*.*)"));
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

std::optional<QString> QtFileDialogs::saveFileName(const QString &directory)
{
    // Save asks its own overwrite question; the dialog must not ask first.
    const QString name =
        QFileDialog::getSaveFileName(m_parent, QString(), directory, QStringLiteral("KORVEX (*.cfg)"),
                                     nullptr, QFileDialog::DontConfirmOverwrite);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}
