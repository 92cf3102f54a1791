#pragma once

#include "device/SerialLinkBase.h"

#include <QByteArray>

#include <memory>

// The program's port on Windows, on the system's own serial calls.
//
// The device exchanges a few bytes at a time and the program polls for them:
// bytesWaiting(), peek() and readAll() first take what the driver holds
// (ClearCommError, then a ReadFile that returns at once), so they always see
// every byte that has arrived; an overlapped WaitCommEvent on an event handle,
// watched by a QWinEventNotifier, wakes the thread's event loop when bytes
// come, so that a wait ends as soon as its reply is there. Everything belongs
// to the thread that uses the port; ports on several threads share nothing.
//
// As with QtSerialLink, COMn is resolved when the port is opened, a port that
// fails while open is closed at once, and its failure is thrown, once, by the
// next call that uses it.
class WinSerialLink : public SerialLinkBase
{
    Q_OBJECT

public:
    // At most this much is taken from the driver at a time; the rest waits in
    // the driver's own queue.
    static constexpr qint64 ReadBufferLimit = 64 * 1024;

    explicit WinSerialLink(SettingsFile settings, QObject *parent = nullptr);
    ~WinSerialLink() override;

    void setLineSettings(const LineSettings &settings) override;
    bool isOpen() const override;
    void open() override;
    void close() override;
    void write(const QByteArray &bytes) override;
    int bytesWaiting() override;
    QByteArray peek() override;
    QByteArray readAll() override;

private:
    struct Handles;

    void applyLineSettings(const LineSettings &settings);
    // close() without the virtual call, for the destructor as well.
    void closeHandles();
    bool pull(unsigned long *error);
    void takeWaiting();
    void armReceiveWait();
    void rearmUnlessFull();
    void onCommEvent();

    std::unique_ptr<Handles> m_os;
    QByteArray m_received; // taken from the driver, not yet by the program
};
