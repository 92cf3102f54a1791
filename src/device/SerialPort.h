#pragma once

#include "device/LineSettings.h"

#include <QByteArray>
#include <QString>

// The serial port as the program uses it, and nothing more: no handshaking,
// no receive events, no buffer sizes. Every failure throws KorvexError with a
// description the operator can act on (which device, and what to do about it).
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // COMn; which device that is gets decided when the port is opened.
    virtual void setPortNumber(int n) = 0;
    // The port as the operator names it: "COM3", or a device's path.
    virtual QString portName() const = 0;
    // Baud rate, parity, data bits and stop bits.
    virtual void setLineSettings(const LineSettings &settings) = 0;
    virtual bool isOpen() const = 0;
    virtual void open() = 0;
    virtual void close() = 0;
    // Sends the bytes as they are, nothing added before or after.
    virtual void write(const QByteArray &bytes) = 0;
    // Received bytes not yet taken.
    virtual int bytesWaiting() = 0;
    // A look at the received bytes not yet taken, leaving them waiting.
    virtual QByteArray peek() = 0;
    // Takes every byte received and not yet taken; empty when none wait.
    virtual QByteArray readAll() = 0;
};
