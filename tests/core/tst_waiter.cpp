#include "core/Waiter.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

// Real time, with bounds far from the intervals: these prove behaviour (events
// handled, which wait ends when), not speed.
class tst_Waiter : public QObject
{
    Q_OBJECT

private slots:
    void delayHandlesEventsWhileWaiting()
    {
        EventLoopWaiter waiter;
        bool clicked = false;
        QTimer::singleShot(10, this, [&] { clicked = true; });
        QElapsedTimer clock;
        clock.start();
        waiter.Delay(120);
        QVERIFY(clicked);
        QVERIFY2(clock.elapsed() >= 110, qPrintable(QString::number(clock.elapsed())));
    }

    void nestedWaitEndsBothWaits()
    {
        EventLoopWaiter waiter;
        bool innerDone = false;
        QTimer::singleShot(10, this, [&] {
            waiter.Delay(40);
            innerDone = true;
        });
        QElapsedTimer clock;
        clock.start();
        waiter.Delay(5000);
        QVERIFY(innerDone);
        // The inner wait restarted the shared timer; its one tick ends the
        // outer wait too, long before its own 5 s.
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    }

    void abortEndsTheWaitAndEveryLaterOne()
    {
        EventLoopWaiter waiter;
        QTimer::singleShot(10, this, [&] { waiter.abort(); });
        QVERIFY_THROWS_EXCEPTION(OperationAborted, waiter.Delay(5000));
        QVERIFY_THROWS_EXCEPTION(OperationAborted, waiter.Delay(1));
        QVERIFY_THROWS_EXCEPTION(OperationAborted, waiter.pumpEvents());
    }
};

QTEST_GUILESS_MAIN(tst_Waiter)
#include "tst_waiter.moc"
