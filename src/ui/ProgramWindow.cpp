#include "ui/ProgramWindow.h"

#include "device/PortMapping.h"

ProgramWindow::ProgramWindow(const SettingsFile &settings, const QString &programDir)
    : m_settings(settings), m_port(settings),
      m_window({&m_prompter,
                &m_port,
                &m_waiter,
                &m_dialogs,
                settings.path(),
                programDir,
                {},
                [this](int n) { return describeSerialPort(n, m_settings); },
                {},
                settings.userPath()})
{
    // Boxes and dialogs belong to the window once it exists.
    m_prompter.setParent(&m_window);
    m_dialogs.setParent(&m_window);
}
