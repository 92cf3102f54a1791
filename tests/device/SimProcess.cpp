#include "SimProcess.h"

#include "core/IniFile.h"

namespace {
constexpr int StartTimeoutMs = 5000;
}

SimProcess::SimProcess(const QStringList &args)
{
    m_process.start(QString::fromUtf8(KORVEX_SIM_PATH), args);
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(StartTimeoutMs)) {
            m_error = QStringLiteral("korvex-sim did not start: ") + m_process.errorString() +
                      QLatin1Char(' ') + QString::fromLocal8Bit(m_process.readAllStandardError());
            return;
        }
    }
    m_ptyPath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    m_iniPath = m_dir.filePath(QStringLiteral("Korvex.ini"));
    if (!WriteINI(m_iniPath, QStringLiteral("PORTS"), QStringLiteral("COM1"), m_ptyPath))
        m_error = QStringLiteral("cannot write ") + m_iniPath;
}

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(StartTimeoutMs))
            m_process.kill();
        m_process.waitForFinished(StartTimeoutMs);
    }
}

void SimProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(StartTimeoutMs);
}

QByteArray SimProcess::errorOutput()
{
    return m_process.readAllStandardError();
}
