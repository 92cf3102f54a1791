#pragma once

#include "device/SerialLinkBase.h"

#include <QSerialPort>

// The program's port on top of QSerialPort. COMn is resolved to a device when
// the port is opened (see PortMapping.h), so an adapter plugged in after
// start-up is found.
//
// The device itself is locked while open (not only its name), so that the same
// device reached by two names is never opened twice, not even by root.
//
// A port that fails while open (adapter pulled, other end gone) is closed at
// once and the failure is thrown, once, by the next call that uses the port;
// this also stops QSerialPort from repeating a stale read error forever.
class QtSerialLink : public SerialLinkBase
{
    Q_OBJECT

public:
    // At most this much waits received at any time; a device flooding the line
    // is held back by the system until the program takes what waits.
    static constexpr qint64 ReadBufferLimit = 64 * 1024;

    explicit QtSerialLink(SettingsFile settings, QObject *parent = nullptr);
    ~QtSerialLink() override;

    void setLineSettings(const LineSettings &settings) override;
    bool isOpen() const override;
    void open() override;
    void close() override;
    void write(const QByteArray &bytes) override;
    int bytesWaiting() override;
    QByteArray peek() override;
    QByteArray readAll() override;

private:
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void closeAfterFailure();
    // Takes in what the system holds but the event loop has not read yet, at
    // once, and throws a failure that came with it.
    void takeWaiting();

    QSerialPort m_serial;
};
