#pragma once

#include "files/FileDialogs.h"

// Both dialogs return name; nothing (the default) is Cancel.
struct ScriptedFileDialogs : FileDialogs
{
    std::optional<QString> name;
    std::optional<QString> openFileName() override { return name; }
    std::optional<QString> saveFileName() override { return name; }
};
