#include "core/StatusLog.h"

#include <QSignalSpy>
#include <QTest>

class tst_StatusLog : public QObject
{
    Q_OBJECT

private slots:
    void scrollAndCap_data()
    {
        QTest::addColumn<int>("adds");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<int>("firstVisible"); // -1: no scroll asked
        QTest::newRow("5 lines: no scroll") << 5 << QByteArray("1") << -1;
        QTest::newRow("6th line: lines 2 to 6 on top") << 6 << QByteArray("1") << 1;
        QTest::newRow("76th drops the oldest") << 76 << QByteArray("2") << 70;
        QTest::newRow("200 lines keep the newest 75") << 200 << QByteArray("126") << 70;
    }

    void scrollAndCap()
    {
        QFETCH(int, adds);
        QFETCH(QByteArray, first);
        QFETCH(int, firstVisible);
        StatusLog log;
        QSignalSpy scrolls(&log, &StatusLog::scrollRequested);
        for (int i = 1; i <= adds; ++i)
            log.Add2Status(QByteArray::number(i));
        QCOMPARE(log.rowCount(), qMin(adds, StatusLog::MaxLines));
        QCOMPARE(log.line(0), first);
        QCOMPARE(log.line(log.lastIndex()), QByteArray::number(adds));
        QCOMPARE(scrolls.isEmpty() ? -1 : scrolls.last().at(0).toInt(), firstVisible);
    }

    void lineReplacedInPlaceShowsAsLatin1()
    {
        StatusLog log;
        log.Add2Status("Check for KORVEX attached");
        log.Add2Status("other");
        log.setLine(0, log.line(0) + " *\xC7");
        QCOMPARE(log.count(), 2);
        QCOMPARE(log.data(log.index(0)).toString(), QStringLiteral("Check for KORVEX attached *\u00C7"));
    }
};

QTEST_GUILESS_MAIN(tst_StatusLog)
#include "tst_statuslog.moc"
