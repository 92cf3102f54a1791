#pragma once

#include "UnitSource.h"

#include <map>
#include <memory>
#include <set>

// The station's units on Windows: the COM ports Windows lists (the values of
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, which a serial driver adds as its port
// starts and takes away as it stops), watched through the registry's change
// notification, never by opening ports. A port's arrival is told apart from
// the next by what Windows says of it (the driver's device, and, for a
// plug-and-play port, its instance and when it arrived) and by our own count
// of its appearances: a unit unplugged and plugged in again is a new unit.
// The ports there when the station starts (a built-in COM1, a Bluetooth
// link, a modem) are passed over: opening one could set off a modem or a
// link, and none was plugged in for the station.
class ComPortWatch : public UnitSource
{
    Q_OBJECT

public:
    ComPortWatch();
    ~ComPortWatch() override;

    QString refusal() const override;
    QString watched() const override;
    QString startNote() const override;
    QList<UnitEntry> entries() override;
    QString notSerial(const UnitEntry &entry) const override;
    bool stillThere(const UnitEntry &entry) const override;

private:
    struct Private;

    void arm();

    std::unique_ptr<Private> d;
    QString m_error;                   // why the watch could not be set
    std::map<QString, int> m_arrivals; // each port listed now, as Windows describes it -> its arrival
    int m_arrivalCount = 0;
    std::set<QString> m_before; // the arrivals there when watching began
    bool m_listed = false;
};
