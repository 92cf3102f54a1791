#pragma once

#include "core/IniFile.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// korvex-sim as a child process, with a Korvex.ini whose [PORTS] section maps
// COM1 to its pseudo-terminal.
class SimProcess
{
public:
    explicit SimProcess(const QStringList &args)
    {
        m_process.start(QStringLiteral(KORVEX_SIM_PATH), args);
        // Its first line is the terminal's path.
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        const QString pty = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        m_started =
            !pty.isEmpty() && WriteINI(iniPath(), QStringLiteral("PORTS"), QStringLiteral("COM1"), pty);
    }
    ~SimProcess()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    bool started() const { return m_started; }
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Korvex.ini")); }

private:
    QProcess m_process;
    QTemporaryDir m_dir;
    bool m_started = false;
};
