#include "ComPortWatch.h"

#include <QWinEventNotifier>

#include <algorithm>
#include <iterator>

#include <windows.h>
// The property keys and class GUIDs are defined here, not linked in.
#include <initguid.h>

#include <devguid.h>
#include <devpkey.h>
#include <setupapi.h>

namespace {

const wchar_t SerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
const wchar_t DeviceMapKey[] = L"HARDWARE\\DEVICEMAP";

// One value of SERIALCOMM: the driver's device and the port's name.
struct ListedPort
{
    QString device; // \Device\VCP0
    QString port;   // COM5
};

QList<ListedPort> listedPorts()
{
    QList<ListedPort> ports;
    HKEY key = nullptr;
    // Not there at all until the first serial driver makes it.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SerialCommKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256]{};
        wchar_t data[256]{};
        DWORD nameLength = std::size(name);
        DWORD dataBytes = sizeof(data) - sizeof(wchar_t); // what it reads ends with a zero
        DWORD type = 0;
        const LONG result = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE *>(data), &dataBytes);
        if (result == ERROR_MORE_DATA)
            continue; // no port's name is that long
        if (result != ERROR_SUCCESS)
            break;
        if (type == REG_SZ)
            ports << ListedPort{QString::fromWCharArray(name, int(nameLength)),
                                QString::fromWCharArray(data)};
    }
    RegCloseKey(key);
    return ports;
}

// What plug and play says of a port: which device it is, what it is called,
// and when it last arrived.
struct PnpPort
{
    QString instance;
    QString description;
    quint64 arrived = 0;
};

QString portNameOf(HDEVINFO set, SP_DEVINFO_DATA &device)
{
    const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[64]{};
    DWORD bytes = sizeof(name) - sizeof(wchar_t);
    DWORD type = 0;
    const bool read = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE *>(name),
                                       &bytes) == ERROR_SUCCESS &&
                      type == REG_SZ;
    RegCloseKey(key);
    return read ? QString::fromWCharArray(name) : QString();
}

// The ports plug and play knows, by their names in upper case. A port no
// driver of the ports class made (or any, under Wine) is not among them.
std::map<QString, PnpPort> pnpPorts()
{
    std::map<QString, PnpPort> ports;
    const HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return ports;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const QString name = portNameOf(set, device);
        if (name.isEmpty())
            continue;
        PnpPort &port = ports[name.toUpper()];
        wchar_t text[512]{};
        if (SetupDiGetDeviceInstanceIdW(set, &device, text, std::size(text) - 1, nullptr))
            port.instance = QString::fromWCharArray(text);
        std::fill(std::begin(text), std::end(text), L'\0');
        DWORD type = 0;
        if (SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_DEVICEDESC, &type,
                                              reinterpret_cast<BYTE *>(text), sizeof(text) - sizeof(wchar_t),
                                              nullptr) &&
            type == REG_SZ)
            port.description = QString::fromWCharArray(text).trimmed();
        FILETIME arrived{};
        DEVPROPTYPE propertyType = 0;
        if (SetupDiGetDevicePropertyW(set, &device, &DEVPKEY_Device_LastArrivalDate, &propertyType,
                                      reinterpret_cast<BYTE *>(&arrived), sizeof(arrived), nullptr, 0) &&
            propertyType == DEVPROP_TYPE_FILETIME)
            port.arrived = quint64(arrived.dwHighDateTime) << 32 | arrived.dwLowDateTime;
    }
    SetupDiDestroyDeviceInfoList(set);
    return ports;
}

// A listed port as Windows describes it: the same words for as long as it
// stays, other words once it has been unplugged and plugged in again, where
// plug and play knows it.
QString described(const ListedPort &listed, const std::map<QString, PnpPort> &pnp)
{
    const auto known = pnp.find(listed.port.toUpper());
    const PnpPort port = known == pnp.end() ? PnpPort() : known->second;
    return QStringList{listed.device, listed.port, port.instance, QString::number(port.arrived)}.join(u'|');
}

} // namespace

std::unique_ptr<UnitSource> systemUnitSource(const Request &)
{
    return std::make_unique<ComPortWatch>();
}

struct ComPortWatch::Private
{
    ~Private()
    {
        notifier.setEnabled(false);
        if (key)
            RegCloseKey(key);
        if (event)
            CloseHandle(event);
    }

    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HKEY key = nullptr; // the key watched
    QWinEventNotifier notifier{event};
};

ComPortWatch::ComPortWatch() : d(std::make_unique<Private>())
{
    if (!d->event) {
        m_error = QStringLiteral("Windows error %1").arg(GetLastError());
        return;
    }
    connect(&d->notifier, &QWinEventNotifier::activated, this, [this] {
        arm();
        emit changed();
    });
    arm();
}

ComPortWatch::~ComPortWatch() = default;

void ComPortWatch::arm()
{
    // A notification tells one change: it is asked for again before the ports
    // are read, so that none between the two goes unseen. Until SERIALCOMM is
    // there (the first serial driver makes it), the key above it is watched
    // for it.
    if (d->key)
        RegCloseKey(d->key);
    d->key = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, SerialCommKey, 0, KEY_NOTIFY, &d->key);
    if (result == ERROR_SUCCESS) {
        result = RegNotifyChangeKeyValue(d->key, FALSE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET,
                                         d->event, TRUE);
    } else {
        result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, DeviceMapKey, 0, KEY_NOTIFY, &d->key);
        if (result == ERROR_SUCCESS)
            result = RegNotifyChangeKeyValue(d->key, FALSE, REG_NOTIFY_CHANGE_NAME, d->event, TRUE);
    }
    if (result != ERROR_SUCCESS)
        m_error = QStringLiteral("Windows error %1").arg(result);
}

QString ComPortWatch::refusal() const
{
    return m_error.isEmpty()
               ? QString()
               : QStringLiteral("cannot watch the serial ports Windows lists (%1)").arg(m_error);
}

QString ComPortWatch::watched() const
{
    return QStringLiteral("the serial ports Windows lists");
}

QString ComPortWatch::startNote() const
{
    return {};
}

QList<UnitEntry> ComPortWatch::entries()
{
    const std::map<QString, PnpPort> pnp = pnpPorts();
    std::map<QString, int> arrivals;
    QList<UnitEntry> entries;
    for (const ListedPort &listed : listedPorts()) {
        UnitEntry entry;
        entry.name = entry.path = listed.port;
        const auto known = pnp.find(listed.port.toUpper());
        if (known != pnp.end())
            entry.description = known->second.description;
        // The same words seen again after a reading without them are a new
        // arrival: the port was unplugged and plugged in again.
        const QString words = described(listed, pnp);
        const auto seen = m_arrivals.find(words);
        const int arrival = seen == m_arrivals.end() ? ++m_arrivalCount : seen->second;
        arrivals[words] = arrival;
        entry.identity = entry.target = words + u'#' + QString::number(arrival);
        if (!m_listed)
            m_before.insert(entry.identity);
        // Opened as \\.\NAME: a name with a separator would reach elsewhere.
        if (listed.port.isEmpty() || listed.port.contains(u'\\') || listed.port.contains(u'/'))
            entry.unusable = QStringLiteral("not a port name");
        else if (m_before.count(entry.identity))
            entry.unusable =
                QStringLiteral("there before the station started; plug it in again to program it");
        entries << entry;
    }
    m_arrivals = std::move(arrivals);
    m_listed = true;
    return entries;
}

QString ComPortWatch::notSerial(const UnitEntry &) const
{
    return {}; // Windows lists serial ports only
}

bool ComPortWatch::stillThere(const UnitEntry &entry) const
{
    // Described as it was when it appeared; the count after '#' is our own.
    const QString words = entry.identity.left(entry.identity.lastIndexOf(u'#'));
    const std::map<QString, PnpPort> pnp = pnpPorts();
    const QList<ListedPort> listed = listedPorts();
    return std::any_of(listed.begin(), listed.end(),
                       [&](const ListedPort &port) { return described(port, pnp) == words; });
}
