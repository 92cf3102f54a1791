#include "core/KorvexError.h"
#include "device/LineSettings.h"
#include "device/PortMapping.h"
#include "device/QtSerialLink.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Which device COMn is, what line settings are accepted, and what the
// operator is told when a port cannot be opened.
class TestPortMapping : public QObject
{
    Q_OBJECT

private slots:
    void resolveDevicePath_data();
    void resolveDevicePath();
    void portsSectionOfTheSettingsFile();
    void refusedLineSettings_data();
    void refusedLineSettings();
    void openFailureTellsWhatToDo_data();
    void openFailureTellsWhatToDo();
    void missingDeviceFailsToOpen();
};

namespace {

// "path" or "path+" for a device with a USB vendor id.
QList<SerialPortEntry> entries(const QStringList &specs)
{
    QList<SerialPortEntry> list;
    for (const QString &spec : specs) {
        const bool vendor = spec.endsWith(QLatin1Char('+'));
        list.append({vendor ? spec.chopped(1) : spec, vendor});
    }
    return list;
}

} // namespace

void TestPortMapping::resolveDevicePath_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QStringList>("available");
    QTest::addColumn<QString>("expected");

    const QString s0 = QStringLiteral("/dev/ttyS0");
    const QString s1 = QStringLiteral("/dev/ttyS1");
    const QString usb0 = QStringLiteral("/dev/ttyUSB0");
    const QString usb2 = QStringLiteral("/dev/ttyUSB2");
    const QString usb10 = QStringLiteral("/dev/ttyUSB10");
    const QString acm0 = QStringLiteral("/dev/ttyACM0");

    QTest::newRow("configured path wins")
        << 1 << QStringLiteral("/dev/pts/7") << QStringList{usb0} << QStringLiteral("/dev/pts/7");
    QTest::newRow("configured bare name is under /dev")
        << 2 << QStringLiteral("ttyUSB3") << QStringList{} << QStringLiteral("/dev/ttyUSB3");
    QTest::newRow("blank configured value is ignored")
        << 1 << QStringLiteral("  ") << QStringList{usb0} << usb0;
    QTest::newRow("first adapter is COM1, phantom ttyS skipped")
        << 1 << QString() << QStringList{s0, s1, usb0} << usb0;
    QTest::newRow("adapters in number order, COM1") << 1 << QString() << QStringList{usb10, usb2} << usb2;
    QTest::newRow("adapters in number order, COM2") << 2 << QString() << QStringList{usb10, usb2} << usb10;
    QTest::newRow("ACM before USB by name") << 1 << QString() << QStringList{usb0, acm0} << acm0;
    QTest::newRow("any device with a vendor id counts")
        << 1 << QString() << QStringList{s0, QStringLiteral("/dev/ttyS4+")} << QStringLiteral("/dev/ttyS4");
    QTest::newRow("past the adapters: ttyS(n-1)") << 2 << QString() << QStringList{usb0} << s1;
    QTest::newRow("nothing listed: COM1 is ttyS0") << 1 << QString() << QStringList{} << s0;
    QTest::newRow("COM8 with nothing listed")
        << 8 << QString() << QStringList{} << QStringLiteral("/dev/ttyS7");
    QTest::newRow("a device listed twice counts once")
        << 2 << QString() << QStringList{usb0, usb0 + QLatin1Char('+'), usb2} << usb2;
}

void TestPortMapping::resolveDevicePath()
{
    QFETCH(int, port);
    QFETCH(QString, configured);
    QFETCH(QStringList, available);
    QFETCH(QString, expected);

    QCOMPARE(::resolveDevicePath(port, configured, entries(available)), expected);
}

void TestPortMapping::portsSectionOfTheSettingsFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("Korvex.ini"));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[COMSETTINGS]\r\nPORT=2\r\n[PORTS]\r\nCOM2 = /dev/pts/9\r\ncom3=ttyACM1\r\n");
    file.close();

    QCOMPARE(configuredDevicePath(1, ini), QString());
    QCOMPARE(configuredDevicePath(2, ini), QStringLiteral("/dev/pts/9"));
#ifndef Q_OS_WIN
    QCOMPARE(serialDevicePath(2, ini), QStringLiteral("/dev/pts/9"));
    QCOMPARE(serialDevicePath(3, ini), QStringLiteral("/dev/ttyACM1"));
#endif
}

void TestPortMapping::refusedLineSettings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("why");

    const QString baud = QStringLiteral("baud rate");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("expected");
    QTest::newRow("three fields") << QByteArray("9600,N,8") << QStringLiteral("expected");
    QTest::newRow("baud not a number") << QByteArray("fast,N,8,2") << baud;
    QTest::newRow("baud zero") << QByteArray("0,N,8,2") << baud;
    QTest::newRow("baud negative") << QByteArray("-9600,N,8,2") << baud;
    QTest::newRow("baud too large for the port") << QByteArray("99999999999,N,8,2") << baud;
    QTest::newRow("unknown parity") << QByteArray("9600,X,8,2") << QStringLiteral("parity");
    QTest::newRow("two parity letters") << QByteArray("9600,NE,8,2") << QStringLiteral("parity");
    QTest::newRow("nine data bits") << QByteArray("9600,N,9,2") << QStringLiteral("data bits");
    QTest::newRow("three stop bits") << QByteArray("9600,N,8,3") << QStringLiteral("stop bits");
}

void TestPortMapping::refusedLineSettings()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, why);

    try {
        parseLineSettings(text);
        QFAIL("accepted");
    } catch (const KorvexError &error) {
        QVERIFY2(error.description().contains(why), qPrintable(error.description()));
        QVERIFY(error.description().contains(QString::fromLatin1(text)));
    }
}

void TestPortMapping::openFailureTellsWhatToDo_data()
{
    QTest::addColumn<OpenFailure>("kind");
    QTest::addColumn<QString>("hint");

    QTest::newRow("permission: join the device's group")
        << OpenFailure::NoPermission << QStringLiteral("usermod -aG dialout");
    QTest::newRow("busy: another program holds it")
        << OpenFailure::InUse << QStringLiteral("is in use by another program");
#ifndef Q_OS_WIN
    QTest::newRow("missing: name it in [PORTS]")
        << OpenFailure::NotFound << QStringLiteral("[PORTS] section of Korvex.ini");
#endif
    QTest::newRow("settings refused: which ones")
        << OpenFailure::SettingsRefused << QStringLiteral("9600,E,8,2");
    QTest::newRow("anything else: what the system said")
        << OpenFailure::Other << QStringLiteral("system text");
}

void TestPortMapping::openFailureTellsWhatToDo()
{
    QFETCH(OpenFailure, kind);
    QFETCH(QString, hint);

    const QString text =
        openFailureDescription(2, QStringLiteral("/dev/ttyUSB1"), kind, QStringLiteral("system text"),
                               QStringLiteral("dialout"), "9600,E,8,2");
    QVERIFY2(text.startsWith(QStringLiteral("COM2 (/dev/ttyUSB1)")), qPrintable(text));
    QVERIFY2(text.contains(hint), qPrintable(text));
}

void TestPortMapping::missingDeviceFailsToOpen()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("Korvex.ini"));
    const QString device = dir.filePath(QStringLiteral("no-such-tty"));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[PORTS]\nCOM1=" + device.toLatin1() + '\n');
    file.close();

    QtSerialLink link(ini);
    link.setPortNumber(1);
    try {
        link.open();
        QFAIL("opened a device that does not exist");
    } catch (const KorvexError &error) {
        QVERIFY2(error.description().startsWith(QStringLiteral("COM1 (") + device + QLatin1Char(')')),
                 qPrintable(error.description()));
    }
    QVERIFY(!link.isOpen());
    QVERIFY_THROWS_EXCEPTION(KorvexError, link.write("z"));
    QVERIFY_THROWS_EXCEPTION(KorvexError, link.setPortNumber(0));
}

QTEST_GUILESS_MAIN(TestPortMapping)
#include "tst_portmapping.moc"
