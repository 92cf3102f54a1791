#include "core/StatusLog.h"
#include "ui/StatusLogView.h"

#include <QTest>

// The status log's list, laid out for real: it keeps the newest lines at the
// top and comes to rest afterwards.
class TestStatusLogView : public QObject
{
    Q_OBJECT

private slots:
    void newestLinesOnTopAndSettles_data();
    void newestLinesOnTopAndSettles();
};

void TestStatusLogView::newestLinesOnTopAndSettles_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("firstVisible");

    QTest::newRow("five lines: no scrolling") << 5 << 0;
    QTest::newRow("sixth line: lines 2 to 6 on top") << 6 << 1;
    QTest::newRow("a dozen: the newest five on top") << 12 << 7;
    QTest::newRow("76th line: oldest gone, five newest on top") << 76 << 70;
}

void TestStatusLogView::newestLinesOnTopAndSettles()
{
    QFETCH(int, lines);
    QFETCH(int, firstVisible);

    // Scrolling past the list's own range once made each layout ask for
    // another (a window busy for ever); that shows only in a list that is
    // really laid out, so this one is shown, offscreen.
    StatusLog log;
    StatusLogView view;
    view.setModel(&log);
    view.setGeometry(0, 0, 305, 108);
    connect(&log, &StatusLog::scrollRequested, &view, &StatusLogView::scrollToTop);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    struct LayoutCounter : QObject
    {
        int layouts = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            layouts += event->type() == QEvent::LayoutRequest ? 1 : 0;
            return false;
        }
    } counter;
    view.installEventFilter(&counter);
    for (int i = 1; i <= lines; ++i)
        log.Add2Status("line " + QByteArray::number(i));
    for (int round = 0; round < 20; ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const int settled = counter.layouts;
    for (int round = 0; round < 20; ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    QCOMPARE(counter.layouts, settled);
    QCOMPARE(view.firstVisibleRow(), firstVisible);
    QCOMPARE(view.indexAt(QPoint(5, 3)).row(), firstVisible);
}

QTEST_MAIN(TestStatusLogView)
#include "tst_statuslogview.moc"
