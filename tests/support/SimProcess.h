#pragma once

#include "core/IniFile.h"

#include <QProcess>
#include <QTemporaryDir>

// korvex-sim as a child process, with a Korvex.ini of its own whose [PORTS]
// section maps COM1 to its pseudo-terminal. path() is that terminal, empty
// when it refused to start; given --log, log() is what it received and did.
// It is stopped (SIGTERM) when the object goes.
class SimProcess
{
public:
    static constexpr int WaitMs = 10000; // generous for a loaded machine

    explicit SimProcess(const QStringList &args)
    {
        m_process.start(QStringLiteral(KORVEX_SIM_PATH), args);
        // Its first line is the terminal's path.
        while (!m_process.canReadLine() && m_process.waitForReadyRead(WaitMs)) {
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        m_started = mapAs(1, iniPath());
    }
    ~SimProcess()
    {
        m_process.terminate();
        m_process.waitForFinished(WaitMs);
    }

    bool started() const { return m_started; }
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Korvex.ini")); }
    const QString &path() const { return m_path; }
    // Names the terminal as COMn in the [PORTS] section of the settings file ini.
    bool mapAs(int n, const QString &ini) const
    {
        return !m_path.isEmpty() &&
               WriteINI(ini, QStringLiteral("PORTS"), QStringLiteral("COM%1").arg(n), m_path);
    }
    QByteArray log() { return m_log += m_process.readAllStandardError(); }
    // The device goes away as a pulled-out adapter does: its terminal is gone.
    void pull()
    {
        m_process.terminate();
        m_process.waitForFinished(WaitMs);
    }

private:
    QProcess m_process;
    QTemporaryDir m_dir;
    QString m_path;
    QByteArray m_log;
    bool m_started = false;
};
