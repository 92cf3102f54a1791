#include "ui/ProgramWindow.h"

#include "device/PortMapping.h"

ProgramWindow::ProgramWindow(const QString &iniPath, const QString &programDir)
    : m_iniPath(iniPath), m_port(iniPath),
      m_window({&m_prompter,
                &m_port,
                &m_waiter,
                &m_dialogs,
                iniPath,
                programDir,
                {},
                [this](int n) { return describeSerialPort(n, m_iniPath); },
                {}})
{
    // Boxes and dialogs belong to the window once it exists.
    m_prompter.setParent(&m_window);
    m_dialogs.setParent(&m_window);
}
