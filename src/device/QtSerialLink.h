#pragma once

#include "core/KorvexError.h"
#include "device/LineSettings.h"
#include "device/PortMapping.h"
#include "device/SerialPort.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

// Why opening a port failed, as far as the operator can do something about it.
enum class OpenFailure { NotFound, NoPermission, InUse, SettingsRefused, NotSerial, Other };

// Who may use a device: its owner and group, empty where the system has none.
struct DeviceOwner
{
    QString user;
    QString group;
};

// The failure to throw, its description ending an operation's error message:
// it names the port as the operator knows it ("COM3", or a device path) and
// the device it is. owner is who may use the device (Unix: its owner and
// group), for the hint for NoPermission; systemText is what the system said.
KorvexError openFailure(const QString &portName, const QString &path, OpenFailure kind,
                        const QString &systemText, const DeviceOwner &owner, const QByteArray &settings);
// systemText may be empty when the system has nothing useful to say.
QString lostConnectionDescription(const QString &portName, const QString &path, const QString &systemText);

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
class QtSerialLink : public QObject, public SerialPort
{
    Q_OBJECT

public:
    // At most this much waits received at any time; a device flooding the line
    // is held back by the system until the program takes what waits.
    static constexpr qint64 ReadBufferLimit = 64 * 1024;

    explicit QtSerialLink(SettingsFile settings, QObject *parent = nullptr);
    ~QtSerialLink() override;

    void setPortNumber(int n) override;
    QString portName() const override;
    void setLineSettings(const LineSettings &settings) override;
    bool isOpen() const override;
    void open() override;
    void close() override;
    void write(const QByteArray &bytes) override;
    int bytesWaiting() override;
    QByteArray peek() override;
    QByteArray readAll() override;

    // The device COMn stands for now, or the one named outright.
    QString devicePath() const;
    // Uses this device whatever the port number, called name in messages
    // (the path itself when name is empty); an empty path goes back to COMn.
    void setDevice(const QString &path, const QString &name = {});

private:
    void onErrorOccurred(QSerialPort::SerialPortError error);
    void lockDevice(const QString &path);
    void closeAfterFailure();
    void throwPendingFailure();
    void requireOpen();
    [[noreturn]] void throwLost(const QString &systemText);

    QSerialPort m_serial;
    PortChoice m_port;
    LineSettings m_settings;
    QString m_openPath;
    QString m_failure; // set when the open port failed, until thrown
};
