#pragma once

#include "ui/FileDialogs.h"

class QWidget;

// The platform's open and save dialogs for .cfg files.
class QtFileDialogs : public FileDialogs
{
public:
    explicit QtFileDialogs(QWidget *parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget *parent) { m_parent = parent; }

    std::optional<QString> openFileName(const QString &directory) override;
    std::optional<QString> saveFileName(const QString &directory) override;

private:
    QWidget *m_parent;
};
