#pragma once

#include "core/Waiter.h"
#include "device/SystemSerialLink.h"
#include "ui/Form1.h"
#include "ui/MessageBoxPrompter.h"
#include "ui/QtFileDialogs.h"

// The window with what the program gives it: message boxes and file dialogs
// over it, waits on the event loop, and this system's serial link. The
// program is this and a QApplication; the installed-program and Windows
// tests make the same.
class ProgramWindow
{
public:
    ProgramWindow(const SettingsFile &settings, const QString &programDir);

    Form1 &window() { return m_window; }

private:
    SettingsFile m_settings;
    MessageBoxPrompter m_prompter;
    EventLoopWaiter m_waiter;
    SystemSerialLink m_port;
    QtFileDialogs m_dialogs;
    Form1 m_window;
};
