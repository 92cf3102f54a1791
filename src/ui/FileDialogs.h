#pragma once

#include <QString>

#include <optional>

// The open and save dialogs. The window supplies the real ones; tests script
// the names they return.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    // Both start in directory, or in the current directory when it is empty.

    // Filters "KORVEX (*.cfg)" and "All Files (*.*)". Nothing when cancelled.
    virtual std::optional<QString> openFileName(const QString &directory) = 0;
    // Filter "KORVEX (*.cfg)"; the dialog asks no overwrite question of its
    // own, Save asks it. Nothing when cancelled.
    virtual std::optional<QString> saveFileName(const QString &directory) = 0;
};
