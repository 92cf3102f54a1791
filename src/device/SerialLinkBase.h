#pragma once

#include "core/KorvexError.h"
#include "device/LineSettings.h"
#include "device/PortAccess.h"
#include "device/PortMapping.h"
#include "device/SerialPort.h"

#include <QObject>
#include <QString>

// What both serial links keep alike: which port they open and what the
// operator calls it, the device that is open, and a failure of the open port
// (adapter pulled, other end gone), which the next call that uses the port
// throws, once, having closed it.
class SerialLinkBase : public QObject, public SerialPort
{
public:
    explicit SerialLinkBase(SettingsFile settings, QObject *parent = nullptr);

    void setPortNumber(int n) override;
    QString portName() const override;
    // The device COMn stands for now, or the one named outright.
    QString devicePath() const;
    // Uses this device whatever the port number, called name in messages
    // (the path itself when name is empty); an empty path goes back to COMn.
    void setDevice(const QString &path, const QString &name = {});

protected:
    // The device at path is open as handle: throws, having closed it, when it
    // is not the device a run began with.
    void opened(const QString &path, qintptr handle);
    const QString &openPath() const { return m_openPath; }
    // What opening failed for, in the operator's words.
    KorvexError failure(OpenFailure kind, const QString &path, const QString &systemText,
                        const DeviceOwner &owner = {}) const;

    // The open port failed; the first failure is kept for the next call.
    void noteFailure(const QString &systemText);
    bool hasFailed() const { return !m_failure.isEmpty(); }
    void forgetFailure() { m_failure.clear(); }
    // Throws the failure noted, if any, once, having closed the port.
    void throwPendingFailure();
    // Throws the failure noted, or that the port is not open.
    void requireOpen();
    // Closes the port and throws what failed.
    [[noreturn]] void throwLost(const QString &systemText);

    LineSettings m_settings;

private:
    PortChoice m_port;
    QString m_openPath;
    QString m_failure;
};
