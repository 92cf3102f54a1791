#include "device/PortMapping.h"
#include "device/QtSerialLink.h"

#include "core/SettingsFile.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Which device COMn is, and what the operator is told when it cannot be
// opened.
class TestPortMapping : public QObject
{
    Q_OBJECT

private slots:
    void resolveDevicePath_data()
    {
        // Devices under /dev; "+" marks one with a USB vendor id.
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("configured"); // the [PORTS] value
        QTest::addColumn<QString>("available");
        QTest::addColumn<QString>("expected");

        QTest::newRow("configured path wins") << 1 << u"/dev/pts/7"_s << u"ttyUSB0"_s << u"pts/7"_s;
        QTest::newRow("configured bare name is under /dev") << 2 << u" ttyS3 "_s << QString() << u"ttyS3"_s;
        QTest::newRow("blank configured value is ignored") << 1 << u"  "_s << u"ttyUSB0"_s << u"ttyUSB0"_s;
        QTest::newRow("first adapter is COM1, phantom ttyS skipped")
            << 1 << QString() << u"ttyS0 ttyACM0"_s << u"ttyACM0"_s;
        QTest::newRow("adapters in number order, each once")
            << 2 << QString() << u"ttyUSB10 ttyUSB2 ttyUSB2+"_s << u"ttyUSB10"_s;
        QTest::newRow("any device with a vendor id counts")
            << 1 << QString() << u"ttyS0 ttyS4+"_s << u"ttyS4"_s;
        QTest::newRow("past the adapters: ttyS(n-1)") << 3 << QString() << u"ttyUSB0"_s << u"ttyS2"_s;
    }
    void resolveDevicePath()
    {
        QFETCH(int, port);
        QFETCH(QString, configured);
        QFETCH(QString, available);
        QFETCH(QString, expected);

        QList<SerialPortEntry> entries;
        for (const QString &entry : available.split(u' ', Qt::SkipEmptyParts))
            entries.append({u"/dev/"_s + entry.chopped(entry.endsWith(u'+')), entry.endsWith(u'+')});
        QCOMPARE(::resolveDevicePath(port, configured, entries), u"/dev/"_s + expected);
    }

    void openFailureTellsWhatToDo_data()
    {
        QTest::addColumn<OpenFailure>("kind");
        QTest::addColumn<QString>("hint");

        QTest::newRow("permission: join dialout") << OpenFailure::NoPermission << u"usermod -aG dialout"_s;
        QTest::newRow("busy: another program holds it")
            << OpenFailure::InUse << u"in use by another program"_s;
        QTest::newRow("missing: name it in [PORTS]")
            << OpenFailure::NotFound << u"[PORTS] section of Korvex.ini"_s;
    }
    void openFailureTellsWhatToDo()
    {
        QFETCH(OpenFailure, kind);
        QFETCH(QString, hint);

        const QString text =
            openFailureDescription(2, u"/dev/ttyUSB1"_s, kind, u"system text"_s, QString(), "9600,N,8,2");
        QVERIFY2(text.startsWith(u"COM2 (/dev/ttyUSB1)"_s) && text.contains(hint), qPrintable(text));
    }

    void readmeMappingWorksAsWritten()
    {
        // The [PORTS] example an operator copies from the README, comment and all.
        QFile readme(QFINDTESTDATA("../../README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QByteArray text = readme.readAll();
        const qsizetype start = text.indexOf("```ini\n") + 7;
        QByteArray block = text.mid(start, text.indexOf("```", start) - start);
        QTemporaryDir dir;
        QFile ini(dir.filePath(u"Korvex.ini"_s));
        QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write(block.replace("   ", "")) && ini.flush());
        const SettingsFile settings(ini.fileName());
        QCOMPARE(::resolveDevicePath(1, settings.portDevice(1), {}), u"/dev/ttyUSB0"_s);
        QCOMPARE(::resolveDevicePath(2, settings.portDevice(2), {}), u"/dev/ttyACM0"_s);
    }
};

QTEST_GUILESS_MAIN(TestPortMapping)
#include "tst_portmapping.moc"
