#pragma once

#include <QObject>
#include <QString>

// Being told to stop, whichever way it comes: Ctrl+C, a termination request,
// the terminal going away. It reaches the event loop as requested(); a second
// request ends the program at once with exit status 130.
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

private:
    class Private;
    Private *d = nullptr;
};

// A program that writes to a pipe whose reader has gone gets an error from
// the write, which it reports, instead of being killed silently.
void reportBrokenPipes();
