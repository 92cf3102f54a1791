#pragma once

#include "AppendLog.h"
#include "DeviceJob.h"
#include "UnitSource.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <map>
#include <memory>
#include <set>
#include <vector>

class Console;
class QThread;
class StopSignal;

// A programming station: every unit plugged in (an entry its source shows
// appearing: a stable name under /dev/serial/by-id, a COM port Windows lists)
// is programmed with the rows and verified, once while it stays plugged in;
// each ends with a line and, with --log, a JSON record. Several units are
// served at once, each in a session of its own.
class Station : public QObject
{
    Q_OBJECT

public:
    Station(const Request &request, const JobSetup &setup, UnitSource &source, Console &console,
            StopSignal &stop, int atOnce);
    ~Station() override;

    // Watches and programs until stopped, or until --count units are done;
    // then prints the summary. Returns the exit status: 0 when every unit
    // passed, 1 otherwise, 130 when stopped by a signal.
    int run();

private:
    struct Unit;

    void rescan();
    void plugged(const UnitEntry &entry);
    void ignore(const UnitEntry &entry, const QString &why);
    void unplugged(const QString &name);
    void startQueued();
    void finished(Unit *unit);
    void report(const Unit &unit);
    void stopAll();
    void showProgress();
    void summarise();
    void print(const QByteArray &bytes);

    const Request &m_request;
    JobSetup m_setup;
    UnitSource &m_source;
    Console &m_console;
    QEventLoop m_loop;
    QTimer m_progress;
    AppendLog m_log;
    std::map<QString, QString> m_present;       // name -> which plugging in it is
    std::set<QString> m_ignored;                // name and target of entries that are no units
    std::vector<std::unique_ptr<Unit>> m_units; // settling, queued or being programmed
    const int m_atOnce;
    int m_running = 0;
    int m_started = 0;
    int m_passed = 0;
    int m_failed = 0;
    int m_interrupted = 0;
    qint64 m_unitMs = 0; // all units' time together
    bool m_stopping = false;
    bool m_interruptedBySignal = false;
    int m_status = 0;
};
