#include "FormRig.h"

#include "core/SettingsFile.h"
#include "ui/Configuration.h"
#include "ui/StatusLogView.h"

#include <QPrinter>
#include <QStringDecoder>

using namespace Qt::StringLiterals;
// Each prompt shown, with the length label while it shows.
using Prompts = QList<std::pair<QString, QString>>;

// Keys pressed in row 3's key field or typed into its output string (the Qt
// key 0 for each character), each with the text X11 gives it, after the
// program set the key "W" and the string `preset`; the row as shown after,
// and the prompts.
// The settings file, the description box open when descriptions are on.
// What the dialog's port, baud and parity lists and its device line show of
// it; a port to pick (0: none), whether the descriptions option is clicked,
// the button. After: the file, the labels, whether the box is open, and
// whether another row's length label moves it there, committing the draft.
struct Configured
{
    AppSettings stored;
    QStringList shown;
    int port;
    bool click;
    const char *button;
    AppSettings saved;
    QStringList labels;
    bool boxOpen, boxMoves;
};

struct Typing
{
    const char *field;
    QByteArray preset;
    Qt::Key key;
    QByteArray text; // UTF-8
    Qt::KeyboardModifiers modifiers;
    RowView shown;
    Prompts prompts{};
};

// The window through its widgets: capturing keys, typing output strings, the
// description box; the Configuration dialog; the commands: a device
// operation, Clear All, Print Screen, the help pane, the status log, and
// closing while something runs; the help pages it loads.
class TestUi : public QObject
{
    Q_OBJECT

private slots:
    void typingIntoARow_data()
    {
        QTest::addColumn<Typing>("typing");
        const auto add = [](const char *name, const Typing &typing) { QTest::newRow(name) << typing; };
        const QByteArray six = "{01}{02}{03}{04}{05}{06}";
        const auto marked = RowIcon::QuestionMark;
        // clang-format off
        add("letter: a character marks the row", {"KbdKey", {}, Qt::Key_Q, "q", {}, {"Q", "", "0", marked}});
        add("F5 makes no character: icon unchanged", {"KbdKey", {}, Qt::Key_F5, {}, {}, {"F5", "", "0"}});
        add("Delete empties the field, its DEL is no character",
            {"KbdKey", {}, Qt::Key_Delete, "\x7f", {}, {"", "", "0"}});
        add("Tab: captured, no focus move", {"KbdKey", {}, Qt::Key_Tab, "\t", {}, {"TAB", "", "0", marked}});
        add("space, drawn visibly", {"KbdKey", {}, Qt::Key_Space, " ", {}, {" ", "", "0", marked}});
        add("keypad 5", {"KbdKey", {}, Qt::Key_5, "5", Qt::KeypadModifier, {"e", "", "0", marked}});
        add("inside an open group letters go upper-case",
            {"KeyString", {}, Qt::Key(0), "AB{c", {}, {"W", "AB{C", "2", marked}});
        add("seventh character: shown as 7, then cut", {"KeyString", {}, Qt::Key(0), "ABCDEFG", {},
            {"W", "ABCDEF", "6", marked},
            {{u"String entered for item # 3 is too long .. max string length is 6 chars"_s, u"7"_s}}});
        add("character outside Latin-1 refused with a beep",
            {"KeyString", {}, Qt::Key(0), "A\u20ac", {}, {"W", "A", "1", marked}, {{u"(beep)"_s, u"1"_s}}});
        add("stops at 24 characters", {"KeyString", {}, Qt::Key(0), six + '{', {}, {"W", six, "6", marked}});
        add("a longer text from a file is kept whole, not lengthened",
            {"KeyString", six + "{A", Qt::Key(0), "B", {}, {"W", six + "{A", "6", marked}});
        add("Ctrl+A: a shortcut, never a character",
            {"KeyString", {}, Qt::Key_A, "\x01", Qt::ControlModifier, {"W", "", "0", marked}});
        // clang-format on
    }
    void typingIntoARow()
    {
        QFETCH(Typing, typing);
        FormRig rig;
        const QImage blank = rig.row("KbdKey", 2)->grab().toImage();
        rig.rows().setKeyName(2, "W");
        rig.rows().setKeyString(2, typing.preset);
        rig.row<QLineEdit>("KeyString", 2)->end(false);
        Prompts seen;
        rig.prompter.onPrompt = [&](const QString &prompt) {
            seen.append({prompt, rig.row<QLabel>("StringCount", 2)->text()});
        };
        const QString text = QString::fromUtf8(typing.text);
        for (const QString &typed :
             text.isEmpty() ? QStringList{text} : text.split(QString(), Qt::SkipEmptyParts))
            QTest::sendKeyEvent(QTest::Click, rig.row(typing.field, 2),
                                typing.key ? typing.key : Qt::Key_unknown, typed, typing.modifiers);
        QCOMPARE(rig.shown(2), typing.shown);
        QCOMPARE(rig.rows().keyString(2), typing.shown.string);
        QCOMPARE(seen, typing.prompts);
        QCOMPARE(rig.row("KbdKey", 2)->grab().toImage() != blank, !typing.shown.key.isEmpty());
    }

    void descriptionBox()
    {
        // Typing goes where the focus is: into the box once it opens, back to
        // the key field the operator was in once it closes.
        FormRig rig;
        rig.setDescriptions(true);
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        QWidget *key = rig.row("KbdKey", 0);
        rig.rows().setKeyName(0, "F1");
        QTest::mouseClick(key, Qt::LeftButton);
        const auto typeHere = [](const QString &text) { typeInto(QApplication::focusWidget(), text); };
        QWidget *line = rig.find("StrLine");
        const auto click = [&](int row) { QTest::mouseClick(rig.row("StringCount", row), Qt::LeftButton); };

        click(0);
        auto *box = rig.find<QPlainTextEdit>("StrDes");
        QVERIFY(box && !box->isHidden() && !line->isHidden());
        // On the other half of the window, the line level with its row.
        QVERIFY(box->x() > rig.row("KeyString", 0)->geometry().right());
        QVERIFY(qAbs(line->geometry().center().y() - rig.row("StringCount", 0)->geometry().center().y()) < 2);
        typeHere(u"why row one"_s);
        // Another row's click commits the open row and moves the box there.
        click(10);
        QCOMPARE(rig.rows().description(0), "why row one"_ba);
        QCOMPARE(box->toPlainText(), QString());
        QVERIFY(box->geometry().right() < rig.row("KeyString", 10)->x());
        // The open row's click closes the box and commits, at most 200
        // characters of it.
        typeHere(QString(195, u'k') + u"kept!"_s + u"more"_s);
        click(10);
        QVERIFY(box->isHidden() && line->isHidden());
        QCOMPARE(QApplication::focusWidget(), key);
        QCOMPARE(rig.rows().description(10), QByteArray(195, 'k') + "kept!");
        // Opened again, it shows what was committed. (Turned off, a click
        // commits nothing: configuration's CLOSE row.)
        click(0);
        QCOMPARE(box->toPlainText(), u"why row one"_s);
        QCOMPARE(rig.rows().keyName(0), "F1"_ba);
    }

    void configuration_data()
    {
        QTest::addColumn<Configured>("configured");
        const auto add = [](const char *name, const Configured &configured) {
            QTest::newRow(name) << configured;
        };
        const auto texts = [](auto... texts) { return QStringList{QString::fromLatin1(texts)...}; };
        const auto settings = [](qint16 port, const char *baud, const char *parity, qint16 descriptions) {
            return AppSettings{port, QString::fromLatin1(baud), QString::fromLatin1(parity), descriptions};
        };
        // clang-format off
        add("COM3 19.2k EVEN; COM5 chosen and saved", {settings(3, "19200", "E", 1),
            texts("COM3", "19.2k", "EVEN", "COM3 is /dev/fake3"), 5, false, "ConfigSave",
            settings(5, "19200", "E", 1), texts("COM5", "19200", "EVEN"), true, true});
        add("57600 as 57.6k; descriptions off: SAVE hides the box after the wait",
            {settings(8, "57600", "O", 1), texts("COM8", "57.6k", "ODD", "COM8 is /dev/fake8"), 0, true,
            "ConfigSave", settings(8, "57600", "O", 0), texts("COM8", "57600", "ODD"), false, false});
        add("COM12 written by hand: offered after COM8, kept by SAVE", {settings(12, "9600", "N", 0),
            texts("COM12", "9600", "NONE", "COM12 is /dev/fake12"), 0, false, "ConfigSave",
            settings(12, "9600", "N", 0), texts("COM12", "9600", "NONE"), false, false});
        add("port 0 selects nothing, saves 0", {settings(0, "2400", "N", 0), texts("", "2400", "NONE", ""), 0,
            false, "ConfigSave", settings(0, "2400", "N", 0), texts("COM0", "2400", "NONE"), false, false});
        add("CLOSE keeps the file; descriptions are off at once all the same", {settings(3, "9600", "N", 1),
            texts("COM3", "9600", "NONE", "COM3 is /dev/fake3"), 4, true, "ConfigAbort",
            settings(3, "9600", "N", 1), texts("COM3", "9600", "NONE"), true, false});
        // clang-format on
    }
    void configuration()
    {
        QFETCH(Configured, configured);
        const AppSettings &stored = configured.stored;
        const QString ini = u"[COMSETTINGS]\nPORT=%1\nBAUD=%2\nPARITY=%3\n[GENERAL]\nENABLESTRINGS=%4\n"_s;
        FormRig rig(
            nullptr,
            ini.arg(stored.Port).arg(stored.Baud, stored.Parity).arg(stored.EnableStrings).toLatin1());
        QWidget *box = nullptr;
        if (stored.EnableStrings) {
            QTest::mouseClick(rig.row("StringCount", 2), Qt::LeftButton);
            typeInto(box = rig.find("StrDes"), u"draft"_s);
        }
        const auto boxShown = [&] { return box && !box->isHidden(); };
        const auto labelsNow = [&] {
            const auto label = [&](const char *name) { return rig.find<QLabel>(name)->text(); };
            return QStringList{label("CommLabel"), label("BaudLabel"), label("ParityLabel")};
        };
        QStringList seen;
        bool ticked = false;
        QList<std::tuple<QStringList, bool, bool>> waiting; // the labels, the box, the dialog still open
        rig.configure(
            [&](Configuration *dialog) {
                for (auto *list : dialog->findChildren<QComboBox *>()) // port, baud, parity
                    seen << list->currentText();
                seen << dialog->findChild<QLabel *>(u"PortDevice"_s)->text();
                ticked = dialog->findChild<QCheckBox *>()->isChecked();
                if (configured.port)
                    dialog->findChild<QComboBox *>(u"cboPort"_s)->setCurrentIndex(configured.port - 1);
                if (configured.click)
                    QTest::mouseClick(dialog->findChild<QCheckBox *>(), Qt::LeftButton);
                // Escape and SAVE in the wait after SAVE must neither close
                // the dialog under the running save nor run it twice.
                rig.waiter.onAdvance = [&, dialog, pressed = false](qint64) mutable {
                    if (!std::exchange(pressed, true)) {
                        QTest::keyClick(dialog, Qt::Key_Escape);
                        QTest::mouseClick(dialog->findChild<QPushButton *>(u"ConfigSave"_s), Qt::LeftButton);
                    }
                    waiting.append({labelsNow(), boxShown(), dialog->isVisible()});
                };
            },
            configured.button);
        QCOMPARE(seen, configured.shown);
        QCOMPARE(ticked, bool(stored.EnableStrings));
        // In the one wait after SAVE the labels show the new settings, and the
        // box stays as it was until the wait ends.
        QCOMPARE(waiting, (qstrcmp(configured.button, "ConfigSave")
                               ? decltype(waiting){}
                               : decltype(waiting){{configured.labels, box != nullptr, true}}));
        QCOMPARE(SettingsFile(rig.dir.filePath(u"Korvex.ini"_s)).read().settings, configured.saved);
        QCOMPARE(labelsNow(), configured.labels);
        QCOMPARE(boxShown(), configured.boxOpen);
        QTest::mouseClick(rig.row("StringCount", 3), Qt::LeftButton);
        // The draft is committed only by that click, when descriptions are on.
        QCOMPARE(boxShown() && !rig.rows().description(2).isEmpty(), configured.boxMoves);
    }

    void failedSaveChangesNothing()
    {
        // A settings file that cannot be written must not look saved, and
        // nothing of the choice may be applied: the window would probe one
        // port and name another.
        FormRig rig;
        QVERIFY(QDir(rig.dir.path()).mkdir(u"Korvex.ini"_s)); // neither readable nor writable
        rig.configure([&](Configuration *dialog) {
            dialog->findChild<QComboBox *>(u"cboPort"_s)->setCurrentIndex(2);
            QTest::mouseClick(dialog->findChild<QPushButton *>(u"ConfigSave"_s), Qt::LeftButton);
            QVERIFY(dialog->isVisible() && dialog->result() == 0); // still open
        });
        QVERIFY(rig.prompter.prompts.value(0).startsWith(
            u"Error saving configuration - "_s +
            QDir::toNativeSeparators(rig.dir.filePath(u"Korvex.ini"_s))));
        QCOMPARE(rig.find<QLabel>("CommLabel")->text(), u"COM1"_s);
        QCOMPARE(rig.device.portNumber, 1);
        QVERIFY(rig.waiter.delays().isEmpty());
    }

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
        QList<QObject *> commands{rig.action("FOpen"), rig.action("ClearAll"), rig.action("Config")};
        for (QObject *command : rig.form->findChildren<QPushButton *>()) // Read, Send, Verify, Get Version
            commands << command;
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

        QCOMPARE(during, QSet<QString>{u"nnnnnnn%"_s});
        QCOMPARE(state(), u"yyyyyyy-"_s);
        QCOMPARE(QApplication::focusWidget(), button);
        QCOMPARE(rig.shown(0), (RowView{"A", "AB", "2", RowIcon::CheckMark, "verified"}));
        QCOMPARE(rig.shown(9), (RowView{"ENTER", "{0D}{0A}", "2", RowIcon::CheckMark, "verified"}));
    }

    void menuCommands()
    {
        // Print Screen to a PDF file: an image of the window, not an empty
        // page; cancelled, nothing is printed or shown.
        FormRig rig;
        for (const bool accept : {true, false}) {
            const QString pdf = rig.dir.filePath(accept ? u"printed.pdf"_s : u"cancelled.pdf"_s);
            rig.choosePrinter = [&](QPrinter &printer) {
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(pdf);
                return accept;
            };
            rig.action("prscr")->trigger();
            QCOMPARE(readFile(pdf).startsWith("%PDF-") && readFile(pdf).size() > 10000, accept);
        }
        QVERIFY(rig.prompter.prompts.isEmpty());

        // The help pane follows the window's size and is never cut by it; a
        // page that is not there says so.
        writeFile(rig.dir.filePath(u"OverView.htm"_s), "<p>the overview</p>");
        rig.form->resize(800, 620);
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        rig.action("OverView")->trigger();
        auto *view = rig.find<QTextBrowser>("WebBrowser1");
        QVERIFY(!view->isHidden() && view->toPlainText().contains(u"the overview"_s));
        const int width = view->width();
        rig.form->resize(1200, 950);
        QVERIFY(view->width() > width && view->parentWidget()->rect().contains(view->geometry()));
        rig.form->resize(rig.form->minimumSize());
        QVERIFY(view->parentWidget()->rect().contains(view->geometry()));
        rig.action("EnterKey")->trigger();
        QVERIFY(view->toPlainText().contains(u"EnterKey.htm was not found"_s));
        rig.action("CloseHelp")->trigger();
        QVERIFY(view->isHidden());

        // Clear All empties every row, the version label, the log and the
        // open description box, which stays open.
        rig.setDescriptions(true);
        for (int i = 0; i < RowCount; ++i) {
            rig.rows().setKeyName(i, "Q");
            rig.rows().setKeyString(i, "ab");
            rig.rows().setDescription(i, "why");
        }
        // A version reply ends in CR LF, which ends the line; another control
        // byte is shown in the notation, on the same line.
        rig.form->model().setText(MainModel::Text::CodeLabel, u"Code Version Reported: 2.1\x07\r\n"_s);
        auto *code = rig.find<QLabel>("codelabel");
        QCOMPARE(code->text() + u'|' + code->accessibleName(),
                 u"Code Version Reported: 2.1{07}|Code Version Reported: 2.1{07}"_s);
        rig.form->model().log().Add2Status("line");
        rig.rows().setDescription(9, ""); // a draft in the open box only
        QTest::mouseClick(rig.row("StringCount", 9), Qt::LeftButton);
        typeInto(rig.find("StrDes"), u"draft"_s);
        rig.action("ClearAll")->trigger();
        for (int i = 0; i < RowCount; ++i) {
            QCOMPARE(rig.shown(i), (RowView{"", "", "0", RowIcon::QuestionMark}));
            QCOMPARE(rig.rows().description(i), QByteArray());
        }
        QCOMPARE(code->text(), u"Code Version Reported: ??"_s);
        QCOMPARE(rig.form->model().log().count(), 0);
        auto *box = rig.find<QPlainTextEdit>("StrDes");
        QVERIFY(!box->isHidden() && box->toPlainText().isEmpty());
    }

    void statusLogNewestOnTopAndSettles_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("firstVisible");
        QTest::addColumn<QString>("top"); // the line drawn on top
        QTest::newRow("five lines: no scrolling") << 5 << 0 << u"l\u00e9 1"_s;
        QTest::newRow("sixth line: lines 2 to 6 on top") << 6 << 1 << u"l\u00e9 2"_s;
        QTest::newRow("76th line: oldest gone, five newest on top") << 76 << 70 << u"l\u00e9 72"_s;
    }
    void statusLogNewestOnTopAndSettles()
    {
        QFETCH(int, lines);
        QFETCH(int, firstVisible);
        QFETCH(QString, top);
        // Scrolling past the list's own range once made each layout ask for
        // another (a window busy for ever); only a list really laid out shows it.
        FormRig rig;
        auto *view = rig.find<StatusLogView>("StatusBox");
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        // Lines are 8-bit text; one ending in CR LF, as a version reply does,
        // is one line like the others.
        for (int i = 1; i <= lines; ++i)
            rig.form->model().log().Add2Status("l\xe9 " + QByteArray::number(i) + (i == lines ? "\r\n" : ""));
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
        QCOMPARE(view->indexAt(QPoint(5, 3)).data().toString(), top);
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
                 QStringList(2, u"? An operation with the KORVEX is in progress -- close anyway? Y/N"_s));
    }

    void openByName()
    {
        // A file named on the command line opens as File > Open does (its
        // cases: tst_cfgfilecommands): the name shows before reading, so a
        // message appears under it, and the label's tip is the whole path.
        FormRig rig;
        const QString path = writeFile(rig.dir.filePath(u"bad.cfg"_s), "17\tA\r\n02\tB\r\n");
        QWidget *label = rig.find("CfgLabel");
        QString under;
        rig.prompter.onPrompt = [&](const QString &) { under = label->accessibleName(); };
        rig.form->openCfgFile(path);
        QCOMPARE((QStringList{under, label->toolTip()}), (QStringList{u"bad.cfg"_s, path}));
        QCOMPARE(rig.shown(1), (RowView{"B", "", "0", RowIcon::QuestionMark}));
    }

    void closingDuringFileOpenEndsIt()
    {
        // The window closes while Open handles events within the first record:
        // no later record is applied and nothing is asked or shown.
        EventLoopWaiter waiter;
        FormRig rig(&waiter);
        rig.dialogs.name = writeFile(rig.dir.filePath(u"rows.cfg"_s), "01\tA\r\n02\tB\r\n17\tC\r\n");
        QTimer::singleShot(0, rig.form.get(), [&] { rig.form->close(); });
        rig.action("FOpen")->trigger();
        QCOMPARE(rig.rows().keyName(0) + rig.rows().keyName(1), QByteArray());
        QCOMPARE(rig.find("CfgLabel")->accessibleName(), u"rows.cfg"_s); // what the label shows now
        QVERIFY(rig.prompter.prompts.isEmpty());
    }

    void helpPagesDecodeAsWritten()
    {
        // The pages where the build puts them, beside the program: valid
        // UTF-8, and declared so, since the view picks its decoder from the
        // page's own declaration; without it every dash turns into stray
        // Latin-1 characters.
        for (const char *page : {"OverView.htm", "EnterKey.htm", "CreateString.htm", "Verify.htm"}) {
            const QByteArray bytes =
                readFile(QDir(QStringLiteral(KORVEX_TEST_PROGRAM_DIR)).filePath(QLatin1String(page)));
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QString text = utf8.decode(bytes);
            QVERIFY2(!bytes.isEmpty() && !utf8.hasError() &&
                         QStringDecoder::decoderForHtml(bytes).decode(bytes) == text,
                     page);
        }
    }
};

QTEST_MAIN(TestUi)
#include "tst_ui.moc"
