#pragma once

#include <QObject>
#include <QString>

// Being told to stop, whichever way it comes: Ctrl+C, a termination request,
// the terminal going away. The first reaches the event loop as requested(),
// every later one as requestedAgain(): a stop runs to its end, report and
// records included, however often it is asked for (a closed terminal alone
// sends two, one from the system and one from the shell).
class StopSignal : public QObject
{
    Q_OBJECT

public:
    explicit StopSignal(QObject *parent = nullptr);
    ~StopSignal() override;

    // Installs the handlers; false with *why when the system refuses.
    bool install(QString *why);

signals:
    void requested();
    void requestedAgain();

private:
    class Private;
    Private *d = nullptr;
};

// A program that writes to a pipe whose reader has gone, or past the file size
// it may make, gets an error from the write, which it reports, instead of
// being killed silently.
void reportFailedWrites();
