#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// korvex-sim as a child process, with a Korvex.ini whose [PORTS] section maps
// COM1 to its pseudo-terminal.
class SimProcess
{
public:
    explicit SimProcess(const QStringList &args);
    ~SimProcess();

    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // The terminal's path, from the simulator's first output line; empty when
    // it did not start (error() says why).
    QString ptyPath() const { return m_ptyPath; }
    QString error() const { return m_error; }
    // A settings file mapping COM1 to the terminal.
    QString iniPath() const { return m_iniPath; }
    // Ends the simulator at once, as a crash would.
    void kill();
    // What the simulator wrote to its error output so far.
    QByteArray errorOutput();

private:
    QProcess m_process;
    QTemporaryDir m_dir;
    QString m_ptyPath;
    QString m_iniPath;
    QString m_error;
};
