#pragma once

#include "ui/FileDialogs.h"

// Both dialogs return name; nothing (the default) is Cancel. startedIn is the
// folder the last one was asked to start in.
struct ScriptedFileDialogs : FileDialogs
{
    std::optional<QString> name;
    QString startedIn;
    std::optional<QString> openFileName(const QString &directory) override { return answer(directory); }
    std::optional<QString> saveFileName(const QString &directory) override { return answer(directory); }
    std::optional<QString> answer(const QString &directory)
    {
        startedIn = directory;
        return name;
    }
};
