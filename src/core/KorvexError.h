#pragma once

#include <QString>

#include <exception>

// A failure that ends an operation. Operations catch it at their edge and show
// their own message followed by description().
class KorvexError : public std::exception
{
public:
    // What a front end may add a hint of its own for.
    enum class Kind {
        Other,
        SettingsRefused, // the port does not take the baud rate or parity asked for
        PortMissing,     // no such port or device
        InUse,           // another program has the port
        NoPermission,    // this user may not open the port
    };

    explicit KorvexError(QString description, Kind kind = Kind::Other)
        : m_description(std::move(description)), m_kind(kind)
    {}

    const QString &description() const noexcept { return m_description; }
    Kind kind() const noexcept { return m_kind; }
    const char *what() const noexcept override { return "KorvexError"; }

private:
    QString m_description;
    Kind m_kind;
};
