#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

struct Request;

// One place a unit may be reached through, as the system shows it now.
struct UnitEntry
{
    QString name;        // as shown: a folder's entry (bytes that are not UTF-8 as {HH}), COM7
    QString path;        // what to open
    QString description; // what the system calls the device, empty when it does not say
    // What it leads to now; an entry passed over once stays passed over while
    // its name leads there. Empty when nothing.
    QString target;
    // What tells one plugging in from the next under the same name; empty for
    // an entry that leads nowhere now (a unit being pulled out).
    QString identity;
    // Why the entry can never be a unit, empty when it may be one.
    QString unusable;
};

// Where a station's units come from: the entries present now, and a signal
// when they may have changed. Linux watches a folder of stable names
// (UnitFolder), Windows the serial ports it lists (ComPortWatch).
class UnitSource : public QObject
{
    Q_OBJECT

public:
    // Why it cannot watch at all (a usage error), empty when it can.
    virtual QString refusal() const = 0;
    // What it watches, as the operator knows it.
    virtual QString watched() const = 0;
    // What to say before watching begins, empty for nothing.
    virtual QString startNote() const = 0;
    // The entries present now; watching follows whatever it must to see the
    // next change.
    virtual QList<UnitEntry> entries() = 0;
    // Why an entry that appeared is no serial port after all, empty when it is
    // one. Asked once, as it appears.
    virtual QString notSerial(const UnitEntry &entry) const = 0;
    // Whether the entry still leads where it led: a unit that failed and is
    // not was pulled out, whether or not the change has been told yet.
    virtual bool stillThere(const UnitEntry &entry) const = 0;

signals:
    void changed();
};

// This system's source of units for the station the request asks for.
std::unique_ptr<UnitSource> systemUnitSource(const Request &request);
