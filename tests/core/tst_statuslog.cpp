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
        QTest::addColumn<int>("expectedCount");
        QTest::addColumn<QByteArray>("expectedFirst");
        QTest::addColumn<int>("lastScroll"); // -1: no scroll asked

        QTest::newRow("5 lines: no scroll") << 5 << 5 << QByteArray("line 1") << -1;
        QTest::newRow("6th line: lines 2 to 6 on top") << 6 << 6 << QByteArray("line 1") << 1;
        QTest::newRow("75 lines kept") << 75 << 75 << QByteArray("line 1") << 70;
        QTest::newRow("76th drops the oldest") << 76 << 75 << QByteArray("line 2") << 70;
        QTest::newRow("200 lines") << 200 << 75 << QByteArray("line 126") << 70;
    }

    void scrollAndCap()
    {
        QFETCH(int, adds);
        QFETCH(int, expectedCount);
        QFETCH(QByteArray, expectedFirst);
        QFETCH(int, lastScroll);

        StatusLog log;
        QSignalSpy scrolls(&log, &StatusLog::scrollRequested);
        for (int i = 1; i <= adds; ++i)
            log.Add2Status("line " + QByteArray::number(i));

        QCOMPARE(log.count(), expectedCount);
        QCOMPARE(log.rowCount(), expectedCount);
        QCOMPARE(log.line(0), expectedFirst);
        QCOMPARE(log.line(log.lastIndex()), "line " + QByteArray::number(adds));
        if (lastScroll < 0) {
            QCOMPARE(scrolls.count(), 0);
        } else {
            QVERIFY(!scrolls.isEmpty());
            const int firstVisible = scrolls.last().at(0).toInt();
            QCOMPARE(firstVisible, lastScroll);
            // The five newest lines are the ones from the top of the view on.
            QCOMPARE(log.count() - firstVisible, StatusLog::VisibleNewest);
        }
    }

    void replaceLineInPlace()
    {
        StatusLog log;
        log.Add2Status("Check for KORVEX attached");
        const int at = log.lastIndex();
        log.Add2Status("other");
        log.setLine(at, log.line(at) + " *");
        QCOMPARE(log.count(), 2);
        QCOMPARE(log.data(log.index(at)).toString(), QStringLiteral("Check for KORVEX attached *"));
    }

    void bytesShowAsLatin1()
    {
        StatusLog log;
        log.Add2Status(QByteArray("Version = \xC7\r\n"));
        QCOMPARE(log.data(log.index(0)).toString(), QStringLiteral("Version = \u00C7\r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_StatusLog)
#include "tst_statuslog.moc"
