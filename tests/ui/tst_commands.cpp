#include "FormRig.h"

#include "core/AppSettings.h"
#include "core/Waiter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QTextBrowser>

#include "ui/StatusLogView.h"

// The window's commands: the device buttons through a fake device, Clear
// All, Print Screen, the help pane, the status log's scrolling, and one
// operation at a time.
class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void readFillsTheRows();
    void commandsGreyedWhileAnOperationRuns_data();
    void commandsGreyedWhileAnOperationRuns();
    void clearAll();
    void printToPdf();
    void printCancelledOrFailingIsSilent_data();
    void printCancelledOrFailingIsSilent();
    void helpPane();
    void missingHelpPageSaysSo();
    void statusLogShowsTheNewestLinesAtTheTop_data();
    void statusLogShowsTheNewestLinesAtTheTop();
    void closingDuringAnOperationReleasesThePort();
};

void TestCommands::readFillsTheRows()
{
    FormRig rig;
    rig.port.rows[0] = {0x1C, QByteArrayLiteral("AB")};
    rig.port.rows[9] = {0x5A, QByteArrayLiteral("\r\n")};
    bool progressShown = false;
    rig.onTick([&](qint64) { progressShown |= !rig.find(QStringLiteral("ProgressBar1"))->isHidden(); });

    QTest::mouseClick(rig.find(QStringLiteral("Command1")), Qt::LeftButton);

    QVERIFY(progressShown);
    QVERIFY(rig.find(QStringLiteral("ProgressBar1"))->isHidden());
    QCOMPARE(rig.row<QLineEdit>("KbdKey", 0)->text(), QStringLiteral("A"));
    QCOMPARE(rig.row<QLineEdit>("KeyString", 0)->text(), QStringLiteral("AB"));
    QCOMPARE(rig.row<QLabel>("StringCount", 0)->text(), QStringLiteral("2"));
    QCOMPARE(rig.row<QLineEdit>("KbdKey", 9)->text(), QStringLiteral("ENTER"));
    QCOMPARE(rig.row<QLineEdit>("KeyString", 9)->text(), QStringLiteral("{0D}{0A}"));
    QCOMPARE(rig.row("Image1", 9)->accessibleDescription(), QStringLiteral("verified"));
    QVERIFY(!rig.row("Image1", 15)->isHidden());
    QCOMPARE(rig.find<QProgressBar>(QStringLiteral("ProgressBar1"))->value(), 15);
    QCOMPARE(rig.find<QLabel>(QStringLiteral("PercentLabel"))->text(), QStringLiteral("100%"));
    auto *log = rig.find<StatusLogView>(QStringLiteral("StatusBox"));
    QCOMPARE(log->model()->index(0, 0).data().toString(), QStringLiteral("Read Operation Requested"));
    QCOMPARE(log->model()->rowCount(), rig.form->model().log().count());
}

void TestCommands::commandsGreyedWhileAnOperationRuns_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("read") << "Command1";
    QTest::newRow("send") << "Command2";
    QTest::newRow("verify") << "VerifyBtn";
    QTest::newRow("version") << "GetVersionBtn";
}

void TestCommands::commandsGreyedWhileAnOperationRuns()
{
    QFETCH(QString, button);

    FormRig rig;
    const QStringList buttons = {QStringLiteral("Command1"), QStringLiteral("Command2"),
                                 QStringLiteral("VerifyBtn"), QStringLiteral("GetVersionBtn")};
    const QList<const char *> actions = {"FOpen", "ClearAll", "Config"};
    int ticks = 0;
    int greyedTicks = 0;
    rig.onTick([&](qint64) {
        ++ticks;
        bool allGreyed = true;
        for (const QString &name : buttons)
            allGreyed &= !rig.find(name)->isEnabled();
        for (const char *name : actions)
            allGreyed &= !rig.action(name)->isEnabled();
        // Saving and the help stay available.
        allGreyed &= rig.action("FSave")->isEnabled() && rig.action("OverView")->isEnabled();
        greyedTicks += allGreyed ? 1 : 0;
    });

    QTest::mouseClick(rig.find(button), Qt::LeftButton);

    QVERIFY(ticks > 0);
    QCOMPARE(greyedTicks, ticks);
    for (const QString &name : buttons)
        QVERIFY2(rig.find(name)->isEnabled(), qPrintable(name));
    for (const char *name : actions)
        QVERIFY2(rig.action(name)->isEnabled(), name);
}

void TestCommands::clearAll()
{
    FormRig rig;
    KeyRows &rows = rig.rows();
    for (int i = 0; i < 16; ++i) {
        rows.setKeyName(i, "Q");
        rows.setKeyString(i, "ab");
        rows.setDescription(i, "why");
    }
    rows.setIcon(4, RowIcon::CheckMark);
    rig.form->model().setText(MainModel::Text::CodeLabel, QStringLiteral("Code Version Reported: 2.1"));
    rig.form->model().setText(MainModel::Text::CfgLabel, QStringLiteral("keys.cfg"));
    rig.form->model().log().Add2Status("line");
    AppSettings.CurrentFile = QStringLiteral("/tmp/keys.cfg");

    rig.action("ClearAll")->trigger();

    for (int i = 0; i < 16; ++i) {
        QCOMPARE(rig.row<QLineEdit>("KbdKey", i)->text(), QString());
        QCOMPARE(rig.row<QLineEdit>("KeyString", i)->text(), QString());
        QCOMPARE(rig.row<QLabel>("StringCount", i)->text(), QStringLiteral("0"));
        QCOMPARE(rows.description(i), QByteArray());
    }
    // The shown icon turns to the question mark; icons not shown stay hidden.
    QCOMPARE(rows.icon(4), RowIcon::QuestionMark);
    QVERIFY(!rig.row("Image1", 4)->isHidden());
    QVERIFY(rig.row("Image1", 5)->isHidden());
    QCOMPARE(rig.find<QLabel>(QStringLiteral("codelabel"))->text(),
             QStringLiteral("Code Version Reported: ??"));
    QCOMPARE(rig.form->model().log().count(), 0);
    QCOMPARE(rig.find<QLabel>(QStringLiteral("CfgLabel"))->text(), QStringLiteral("keys.cfg"));
    QCOMPARE(AppSettings.CurrentFile, QStringLiteral("/tmp/keys.cfg"));
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestCommands::printToPdf()
{
    FormRig rig;
    const QString pdf = rig.dir.filePath(QStringLiteral("window.pdf"));
    rig.choosePrinter = [&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    rig.action("prscr")->trigger();

    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(5) == "%PDF-");
    // An image of the window's client area, not an empty page.
    QVERIFY(file.size() > 10000);
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestCommands::printCancelledOrFailingIsSilent_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("output");

    QTest::newRow("cancelled") << false << "window.pdf";
    QTest::newRow("printer cannot start") << true << "no-such-dir/window.pdf";
}

void TestCommands::printCancelledOrFailingIsSilent()
{
    QFETCH(bool, accept);
    QFETCH(QString, output);

    FormRig rig;
    const QString pdf = rig.dir.filePath(output);
    rig.choosePrinter = [&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return accept;
    };
    if (accept)
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
    rig.action("prscr")->trigger();

    QVERIFY(!QFile::exists(pdf));
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestCommands::helpPane()
{
    FormRig rig([](const QString &dir) {
        for (const char *page : {"OverView", "EnterKey", "CreateString", "Verify"}) {
            QFile file(QDir(dir).filePath(QLatin1String(page) + QStringLiteral(".htm")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("<html><body><p>page " + QByteArray(page) + "</p></body></html>");
        }
    });
    auto *view = rig.find<QTextBrowser>(QStringLiteral("WebBrowser1"));
    const auto expectedGeometry = [&] {
        const QSize outer = rig.form->frameGeometry().size();
        return QRect(qRound(200 / 15.0), qRound(1900 / 15.0), qRound((outer.width() * 15 - 500) / 15.0),
                     qRound((outer.height() * 15 - 2500) / 15.0));
    };

    rig.form->resize(800, 620);
    rig.action("OverView")->trigger();
    QVERIFY(!view->isHidden());
    QVERIFY(view->toPlainText().contains(QStringLiteral("page OverView")));
    QCOMPARE(view->geometry(), expectedGeometry());
    QCOMPARE(view->geometry(), QRect(13, 127, 767, 453));
    // Laid over the rows.
    QCOMPARE(rig.form->clientArea()->children().last(), view);

    rig.action("EnterKey")->trigger();
    QVERIFY(view->toPlainText().contains(QStringLiteral("page EnterKey")));

    // Resizing the window does not follow the shown pane; the next topic does.
    const QRect before = view->geometry();
    rig.form->resize(900, 700);
    QCOMPARE(view->geometry(), before);
    rig.action("VerifyOp")->trigger();
    QVERIFY(view->toPlainText().contains(QStringLiteral("page Verify")));
    QCOMPARE(view->geometry(), expectedGeometry());

    rig.action("Misc")->trigger();
    QVERIFY(!view->isHidden());
    QVERIFY(view->toPlainText().contains(QStringLiteral("page Verify")));

    rig.action("CloseHelp")->trigger();
    QVERIFY(view->isHidden());
    rig.action("CloseHelp")->trigger();
    QVERIFY(view->isHidden());

    rig.action("CreateString")->trigger();
    QVERIFY(!view->isHidden());
    QVERIFY(view->toPlainText().contains(QStringLiteral("page CreateString")));
}

void TestCommands::missingHelpPageSaysSo()
{
    FormRig rig;
    rig.action("OverView")->trigger();
    auto *view = rig.find<QTextBrowser>(QStringLiteral("WebBrowser1"));
    QVERIFY(!view->isHidden());
    QVERIFY(view->toPlainText().contains(QStringLiteral("OverView.htm")));
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestCommands::statusLogShowsTheNewestLinesAtTheTop_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("firstVisible");
    QTest::addColumn<QString>("topLine");

    QTest::newRow("five lines: no scrolling") << 5 << 0 << "line 1";
    QTest::newRow("sixth line: lines 2 to 6 on top") << 6 << 1 << "line 2";
    QTest::newRow("76th line: oldest gone, five newest on top") << 76 << 70 << "line 72";
}

void TestCommands::statusLogShowsTheNewestLinesAtTheTop()
{
    QFETCH(int, lines);
    QFETCH(int, firstVisible);
    QFETCH(QString, topLine);

    FormRig rig;
    auto *view = rig.find<StatusLogView>(QStringLiteral("StatusBox"));
    // Lay the list out at its size, as showing it would.
    QResizeEvent resize(view->size(), QSize());
    QApplication::sendEvent(view, &resize);
    for (int i = 1; i <= lines; ++i)
        rig.form->model().log().Add2Status("line " + QByteArray::number(i));
    // The view lays its items out again later, as a shown one would.
    view->doItemsLayout();

    QCOMPARE(view->firstVisibleRow(), firstVisible);
    QCOMPARE(view->model()->index(view->firstVisibleRow(), 0).data().toString(), topLine);
}

void TestCommands::closingDuringAnOperationReleasesThePort()
{
    // Real waiting: the window closes while the attachment check waits for
    // a device that never answers.
    QTemporaryDir dir;
    FakeWaiter clock; // the device's clock only; it never moves, so no reply comes
    ScriptedKorvex port(clock);
    RecordingPrompter prompter;
    NamedFileDialogs dialogs;
    EventLoopWaiter waiter;
    Form1Collaborators with;
    with.prompter = &prompter;
    with.port = &port;
    with.waiter = &waiter;
    with.fileDialogs = &dialogs;
    with.iniPath = dir.filePath(QStringLiteral("Korvex.ini"));
    with.programDir = dir.path();
    Form1 form(with);

    bool closed = false;
    port.onWrite = [&](const QByteArray &) {
        if (!closed)
            QTimer::singleShot(0, &form, [&] { closed = form.close(); });
    };
    QTest::mouseClick(form.findChild<QWidget *>(QStringLiteral("Command1")), Qt::LeftButton);

    QVERIFY(closed);
    QVERIFY(waiter.isAborted());
    QVERIFY(!port.isOpen());
    QCOMPARE(port.opens(), 1);
    QVERIFY(!form.model().isBusy());
    QCOMPARE(port.commands(), QList<QByteArray>{"z"});
    QVERIFY(prompter.messages().isEmpty());
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
