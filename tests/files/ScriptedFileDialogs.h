#pragma once

#include "files/FileDialogs.h"

#include <QList>

// Returns the scripted names in order; a missing entry or nullopt is Cancel.
class ScriptedFileDialogs : public FileDialogs
{
public:
    std::optional<QString> openFileName() override { return take(openNames); }
    std::optional<QString> saveFileName() override { return take(saveNames); }

    QList<std::optional<QString>> openNames;
    QList<std::optional<QString>> saveNames;

private:
    static std::optional<QString> take(QList<std::optional<QString>> &names)
    {
        return names.isEmpty() ? std::nullopt : names.takeFirst();
    }
};
