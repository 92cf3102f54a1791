#include "FormRig.h"

#include <QPrinter>
#include <QPushButton>
#include <QTextBrowser>

#include "ui/StatusLogView.h"

// The window's commands: a device operation, Clear All, Print Screen, the
// help pane, the status log's scrolling and closing while an operation runs.
class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void commandsGreyedWhileAnOperationRuns()
    {
        // A read through the device: every command but saving and help is
        // greyed and the progress shows at each tick, the rows are filled after.
        // The focus leaves the greyed button for no row: a Space at every tick
        // changes nothing, and the button has it back at the end.
        FormRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        QWidget *button = rig.find("Command1");
        button->setFocus();
        rig.device.setRow(0, 0x1C, QByteArrayLiteral("AB"));
        rig.device.setRow(9, 0x5A, QByteArrayLiteral("\r\n"));
        QList<QObject *> commands;
        for (QObject *command : rig.form->findChildren<QPushButton *>()) // Read, Send, Verify, Get Version
            commands << command;
        commands << rig.action("FOpen") << rig.action("ClearAll") << rig.action("Config");
        const auto state = [&] {
            QString states;
            for (QObject *command : commands)
                states += QLatin1Char(command->property("enabled").toBool() ? 'y' : 'n');
            return states + QLatin1Char(rig.find("ProgressBar1")->isHidden() ? '-' : '%');
        };
        QSet<QString> during;
        rig.waiter.onAdvance = [&, deliver = rig.waiter.onAdvance](qint64 now) {
            deliver(now);
            during << state();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        };
        QTest::mouseClick(button, Qt::LeftButton);

        QCOMPARE(during, QSet<QString>{QStringLiteral("nnnnnnn%")});
        QCOMPARE(state(), QStringLiteral("yyyyyyy-"));
        QCOMPARE(QApplication::focusWidget(), button);
        QCOMPARE(
            QStringList({rig.shown(0), rig.shown(9)}),
            QStringList({QStringLiteral("A|AB|2|verified"), QStringLiteral("ENTER|{0D}{0A}|2|verified")}));
    }

    void clearAll()
    {
        FormRig rig;
        rig.setDescriptions(true);
        for (int i = 0; i < 16; ++i) {
            rig.rows().setKeyName(i, "Q");
            rig.rows().setKeyString(i, "ab");
            rig.rows().setDescription(i, "why");
        }
        rig.form->model().setText(MainModel::Text::CodeLabel, QStringLiteral("Code Version Reported: 2.1"));
        rig.form->model().log().Add2Status("line");
        rig.rows().setDescription(9, ""); // a draft in the open box only
        QTest::mouseClick(rig.row("StringCount", 9), Qt::LeftButton);
        typeInto(rig.find("StrDes"), QStringLiteral("draft"));
        rig.action("ClearAll")->trigger();

        for (int i = 0; i < 16; ++i)
            QCOMPARE(rig.shown(i) + QLatin1String(rig.rows().description(i)), QStringLiteral("||0|-?"));
        QCOMPARE(rig.find<QLabel>("codelabel")->text(), QStringLiteral("Code Version Reported: ??"));
        QCOMPARE(rig.form->model().log().count(), 0);
        auto *box = rig.find<QPlainTextEdit>("StrDes");
        QVERIFY(!box->isHidden() && box->toPlainText().isEmpty());
    }

    void printScreen_data()
    {
        QTest::addColumn<bool>("accept");
        // clang-format off
        QTest::newRow("printed to a PDF file") << true;
        QTest::newRow("cancelled: nothing printed or shown") << false;
        // clang-format on
    }
    void printScreen()
    {
        QFETCH(bool, accept);
        FormRig rig;
        const QString pdf = rig.dir.filePath(QStringLiteral("window.pdf"));
        rig.choosePrinter = [&](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return accept;
        };
        rig.action("prscr")->trigger();
        QFile file(pdf);
        QCOMPARE(file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-", accept);
        QCOMPARE(file.size() > 10000, accept); // an image of the window, not an empty page
        QVERIFY(rig.prompter.prompts.isEmpty());
    }

    void helpPane_data()
    {
        QTest::addColumn<QSize>("window");
        // clang-format off
        QTest::newRow("placed from the window's size") << QSize(800, 620);
        QTest::newRow("enlarged window: the page still whole") << QSize(1200, 950);
        // clang-format on
    }
    void helpPane()
    {
        QFETCH(QSize, window);
        FormRig rig;
        QFile page(rig.dir.filePath(QStringLiteral("OverView.htm")));
        QVERIFY(page.open(QIODevice::WriteOnly) && page.write("<p>the overview</p>") && page.flush());
        rig.form->resize(window);
        const QSize outer = rig.form->frameGeometry().size() * 15; // in twips
        const auto px = [](int twips) { return qRound(twips / 15.0); };

        rig.action("OverView")->trigger();
        auto *view = rig.find<QTextBrowser>("WebBrowser1");
        const QRect wanted(px(200), px(1900), px(outer.width() - 500), px(outer.height() - 2500));
        QCOMPARE(view->geometry(), wanted & view->parentWidget()->rect());
        QVERIFY(wanted.width() > 700); // wider than the fixed client area when enlarged
        QVERIFY(!view->isHidden() && view->toPlainText().contains(QStringLiteral("the overview")));
        // Shrunk while shown, the pane follows: never cut by the window.
        rig.form->resize(rig.form->minimumSize());
        QVERIFY(view->parentWidget()->rect().contains(view->geometry()));
        rig.action("EnterKey")->trigger(); // a page that is not there says so
        QVERIFY(view->toPlainText().contains(QStringLiteral("EnterKey.htm was not found")));
        rig.action("Misc")->trigger();
        QVERIFY(!view->isHidden() && view->toPlainText().contains(QStringLiteral("EnterKey.htm")));
        rig.action("CloseHelp")->trigger();
        QVERIFY(view->isHidden());
    }

    void statusLogNewestOnTopAndSettles_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("firstVisible");
        // clang-format off
        QTest::newRow("five lines: no scrolling") << 5 << 0;
        QTest::newRow("sixth line: lines 2 to 6 on top") << 6 << 1;
        QTest::newRow("a dozen: the newest five on top") << 12 << 7;
        QTest::newRow("76th line: oldest gone, five newest on top") << 76 << 70;
        // clang-format on
    }
    void statusLogNewestOnTopAndSettles()
    {
        QFETCH(int, lines);
        QFETCH(int, firstVisible);
        // Scrolling past the list's own range once made each layout ask for
        // another (a window busy for ever); only a list really laid out shows it.
        FormRig rig;
        auto *view = rig.find<StatusLogView>("StatusBox");
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        // A line ending in CR LF, as a version reply does, is one line like the others.
        for (int i = 1; i <= lines; ++i)
            rig.form->model().log().Add2Status("line " + QByteArray::number(i) + (i == lines ? "\r\n" : ""));
        struct : QObject
        {
            int layouts = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                return (layouts += event->type() == QEvent::LayoutRequest), false;
            }
        } counter;
        for (int round = 0; round < 40; ++round) {
            if (round == 20) // settled by now: no layout may follow
                view->installEventFilter(&counter);
            QCoreApplication::processEvents();
        }
        QCOMPARE(counter.layouts, 0);
        QCOMPARE(view->firstVisibleRow(), firstVisible);
        QCOMPARE(view->indexAt(QPoint(5, 3)).row(), firstVisible);
        QVERIFY2(view->sizeHintForRow(view->model()->rowCount() - 1) < 2 * view->fontMetrics().height(),
                 "a line drawn twice as high");
    }

    void closingDuringAnOperationAsksFirst()
    {
        // Real waiting: the window is closed while the attachment check waits
        // for an answer that never comes (the device's clock never moves).
        // No carries on, Yes ends the operation and releases the port.
        EventLoopWaiter waiter;
        FormRig rig(&waiter);
        rig.prompter.answers = {false, true};
        QList<bool> closed;
        rig.device.onWrite = [&](const QByteArray &) {
            QTimer::singleShot(0, rig.form.get(), [&] { closed << rig.form->close(); });
        };
        QTest::mouseClick(rig.find("Command1"), Qt::LeftButton);
        QCOMPARE(closed, (QList<bool>{false, true}));
        QCOMPARE(rig.device.writes, (QByteArrayList{"z", "z"}));
        QVERIFY(!rig.device.isOpen() && !rig.form->model().isBusy());
        QCOMPARE(rig.prompter.prompts,
                 QStringList(2, QStringLiteral("? An operation with the KORVEX is in progress -- close anyway? Y/N")));
    }

    void closingDuringFileOpenEndsIt()
    {
        // The window closes while Open handles events within the first record:
        // no later record is applied and nothing is asked or shown.
        EventLoopWaiter waiter;
        FormRig rig(&waiter);
        QFile file(rig.dir.filePath(QStringLiteral("rows.cfg")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("01\tA\r\n02\tB\r\n17\tC\r\n") && file.flush());
        rig.dialogs.name = file.fileName();
        QTimer::singleShot(0, rig.form.get(), [&] { rig.form->close(); });
        rig.action("FOpen")->trigger();
        QCOMPARE(rig.rows().keyName(0) + rig.rows().keyName(1), QByteArray());
        QVERIFY(rig.prompter.prompts.isEmpty());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
