#include "device/SerialLinkBase.h"

SerialLinkBase::SerialLinkBase(SettingsFile settings, QObject *parent)
    : QObject(parent), m_port(std::move(settings))
{}

void SerialLinkBase::setPortNumber(int n)
{
    m_port.setNumber(n);
}

QString SerialLinkBase::portName() const
{
    return m_port.portName();
}

QString SerialLinkBase::devicePath() const
{
    return m_port.devicePath();
}

void SerialLinkBase::setDevice(const QString &path, const QString &name)
{
    m_port.setDevice(path, name);
}

void SerialLinkBase::opened(const QString &path, qintptr handle)
{
    m_openPath = path;
    try {
        m_port.opened(handle);
    } catch (const KorvexError &) {
        close();
        throw;
    }
}

KorvexError SerialLinkBase::failure(OpenFailure kind, const QString &path, const QString &systemText,
                                    const DeviceOwner &owner) const
{
    return openFailure(portName(), path, kind, systemText, owner, m_settings.text());
}

void SerialLinkBase::noteFailure(const QString &systemText)
{
    if (m_failure.isEmpty())
        m_failure = lostConnectionDescription(portName(), m_openPath, systemText);
}

void SerialLinkBase::throwPendingFailure()
{
    if (m_failure.isEmpty())
        return;
    const QString why = m_failure;
    close();
    throw KorvexError(why);
}

void SerialLinkBase::requireOpen()
{
    throwPendingFailure();
    if (!isOpen())
        throw KorvexError(QStringLiteral("%1 is not open").arg(portLabel(portName(), devicePath())));
}

void SerialLinkBase::throwLost(const QString &systemText)
{
    const QString why = lostConnectionDescription(portName(), m_openPath, systemText);
    close();
    throw KorvexError(why);
}
