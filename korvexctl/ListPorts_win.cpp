#include "ListPorts.h"

#include "Report.h"

#include "device/PortMapping.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

namespace {

int comNumberOf(const QString &name)
{
    return name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ? name.mid(3).toInt() : 0;
}

} // namespace

int listPorts(const QList<Target> &named, bool all, bool json)
{
    QList<SerialPortEntry> listed = availableSerialPorts();
    std::sort(listed.begin(), listed.end(), [](const SerialPortEntry &a, const SerialPortEntry &b) {
        return comNumberOf(a.portName) < comNumberOf(b.portName);
    });
    QList<Target> shown = named;
    if (named.isEmpty() || all) {
        for (const SerialPortEntry &entry : std::as_const(listed)) {
            if (std::none_of(shown.begin(), shown.end(), [&](const Target &t) {
                    return t.port.compare(entry.portName, Qt::CaseInsensitive) == 0;
                }))
                shown << Target{entry.portName, entry.portName, comNumberOf(entry.portName)};
        }
    }

    int status = shown.isEmpty() ? ExitStatus::NoAnswer : ExitStatus::Ok;
    if (shown.isEmpty())
        std::fputs("korvexctl: Windows lists no serial port\n", stderr);
    for (const Target &target : std::as_const(shown)) {
        const auto entry = std::find_if(listed.cbegin(), listed.cend(), [&](const SerialPortEntry &e) {
            return e.portName.compare(target.port, Qt::CaseInsensitive) == 0;
        });
        const bool present = entry != listed.cend();
        const QString description = !present ? QStringLiteral("not present on this computer")
                                    : entry->description.isEmpty() ? QStringLiteral("a serial port")
                                                                   : entry->description;
        if (!present)
            status = std::max(status, ExitStatus::PortFailed);
        const QByteArray line = json ? QJsonDocument(QJsonObject{{QStringLiteral("port"), target.port},
                                                                 {QStringLiteral("present"), present},
                                                                 {QStringLiteral("description"),
                                                                  present ? description : QString()}})
                                           .toJson(QJsonDocument::Compact)
                                     : QStringLiteral("%1: %2").arg(target.port, description).toUtf8();
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    return status;
}
