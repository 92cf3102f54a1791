#pragma once

#include <QString>

#include <exception>

// A failure that ends an operation. Operations catch it at their edge and show
// their own message followed by description().
class KorvexError : public std::exception
{
public:
    explicit KorvexError(QString description) : m_description(std::move(description)) {}

    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return "KorvexError"; }

private:
    QString m_description;
};
