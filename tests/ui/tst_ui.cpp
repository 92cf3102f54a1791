#include "FormRig.h"

#include "core/SettingsFile.h"
#include "ui/Configuration.h"
#include "ui/KeyStringField.h"
#include "ui/StatusLogView.h"

#include <QPrinter>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

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
        // Keys pressed in row 3's key field or typed into its output string
        // (the Qt key 0 for each character), each with the text X11 gives it;
        // the row as shown after, and each prompt with the length label while
        // it shows. The program set the key "W" and the string `preset` first.
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("preset");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("prompts");
        const QString six = u"{01}{02}{03}{04}{05}{06}"_s;
        const QStringList none;
        // clang-format off
        QTest::newRow("letter: a produced character marks the row") << "KbdKey"_ba << "" << int(Qt::Key_Q) << "q" << 0 << "Q||0|-?" << none;
        QTest::newRow("F5 makes no character: icon unchanged") << "KbdKey"_ba << "" << int(Qt::Key_F5) << "" << 0 << "F5||0|-" << none;
        QTest::newRow("Delete empties the field, its DEL is no character") << "KbdKey"_ba << "" << int(Qt::Key_Delete) << "\x7f" << 0
                                                                           << "||0|-" << none;
        QTest::newRow("Tab is captured, not a focus move") << "KbdKey"_ba << "" << int(Qt::Key_Tab) << "\t" << 0 << "TAB||0|-?" << none;
        QTest::newRow("space, drawn visibly") << "KbdKey"_ba << "" << int(Qt::Key_Space) << " " << 0 << " ||0|-?" << none;
        QTest::newRow("keypad 5") << "KbdKey"_ba << "" << int(Qt::Key_5) << "5" << int(Qt::KeypadModifier) << "e||0|-?" << none;
        QTest::newRow("inside an open group letters go upper-case") << "KeyString"_ba << "" << 0 << "AB{c" << 0 << "W|AB{C|2|-?" << none;
        QTest::newRow("seventh character: shown as 7, then cut") << "KeyString"_ba << "" << 0 << "ABCDEFG" << 0 << "W|ABCDEF|6|-?"
            << QStringList{u"String entered for item # 3 is too long .. max string length is 6 chars @ 7"_s};
        QTest::newRow("character outside Latin-1 refused with a beep") << "KeyString"_ba << "" << 0 << u"A\u20ac"_s << 0 << "W|A|1|-?"
                                                                       << QStringList{u"(beep) @ 1"_s};
        QTest::newRow("typing stops at 24 characters") << "KeyString"_ba << "" << 0 << six + u'{' << 0 << u"W|%1|6|-?"_s.arg(six) << none;
        QTest::newRow("a longer text from a file is kept whole, not lengthened") << "KeyString"_ba << six + u"{A"_s << 0 << "B" << 0
                                                                                 << u"W|%1{A|6|-?"_s.arg(six) << none;
        // clang-format on
    }
    void typingIntoARow()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, preset);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        QFETCH(QString, shown);
        QFETCH(QStringList, prompts);
        FormRig rig;
        const QImage blank = rig.row("KbdKey", 2)->grab().toImage();
        rig.rows().setKeyName(2, "W");
        rig.rows().setKeyString(2, preset.toLatin1());
        rig.row<QLineEdit>("KeyString", 2)->end(false);
        QStringList seen;
        rig.prompter.onPrompt = [&](const QString &prompt) {
            seen << prompt + u" @ "_s + rig.row<QLabel>("StringCount", 2)->text();
        };
        for (const QString &typed :
             text.isEmpty() ? QStringList{text} : text.split(QString(), Qt::SkipEmptyParts))
            QTest::sendKeyEvent(QTest::Click, rig.row(field.constData(), 2),
                                Qt::Key(key ? key : Qt::Key_unknown), typed,
                                Qt::KeyboardModifiers(modifiers));
        QCOMPARE(rig.shown(2), shown);
        QCOMPARE(QString::fromLatin1(rig.rows().keyString(2)), shown.section(u'|', 1, 1));
        QCOMPARE(seen, prompts);
        QCOMPARE(rig.row("KbdKey", 2)->grab().toImage() != blank, !shown.startsWith(u'|'));
    }

    void delIsNeverTyped()
    {
        // The window's typing aid never answers DEL, since X11's Delete is no
        // character before the aid is asked; whatever an aid answers, the
        // field must not put DEL into an output string.
        KeyStringField field;
        field.onTypedChar = [](int) { return 0x7F; };
        typeInto(&field, u"ab"_s);
        QVERIFY(!field.text().contains(QChar(0x7F)));
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
        QVERIFY(qAbs(line->geometry().center().y() - rig.row("StringCount", 0)->geometry().center().y()) <=
                1);
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
        // The settings file as "port|baud|parity|descriptions", the description
        // box open when they are on. What the dialog shows of it, with the
        // device line; a port to pick (0: none), whether the descriptions box
        // is clicked, the button. After: in the wait after SAVE, the labels and
        // the box; then the file, the labels, the box, and, once another row's
        // length label is clicked, the box and whether the draft was kept.
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("click");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("after");
        // clang-format off
        QTest::newRow("COM3 19.2k EVEN; COM5 chosen and saved") << "3|19200|E|1" << "COM3|19.2k|EVEN|1|COM3 is /dev/fake3" << 5
            << false << "ConfigSave" << "COM5 19200 EVEN box / 5|19200|E|1 COM5 19200 EVEN box box draft";
        QTest::newRow("57600 as 57.6k; descriptions off: SAVE hides the box after the wait") << "8|57600|O|1"
            << "COM8|57.6k|ODD|1|COM8 is /dev/fake8" << 0 << true << "ConfigSave" << "COM8 57600 ODD box / 8|57600|O|0 COM8 57600 ODD - - -";
        QTest::newRow("COM12 written by hand: offered after COM8, kept by SAVE") << "12|9600|N|0"
            << "COM12|9600|NONE|0|COM12 is /dev/fake12" << 0 << false << "ConfigSave"
            << "COM12 9600 NONE - / 12|9600|N|0 COM12 9600 NONE - - -";
        QTest::newRow("port 0 selects nothing, saves 0") << "0|2400|N|0" << "|2400|NONE|0|" << 0 << false << "ConfigSave"
            << "COM0 2400 NONE - / 0|2400|N|0 COM0 2400 NONE - - -";
        QTest::newRow("CLOSE keeps the file; descriptions are off at once all the same") << "3|9600|N|1"
            << "COM3|9600|NONE|1|COM3 is /dev/fake3" << 4 << true << "ConfigAbort" << " / 3|9600|N|1 COM3 9600 NONE box - -";
        // clang-format on
    }
    void configuration()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(int, port);
        QFETCH(bool, click);
        QFETCH(QString, button);
        QFETCH(QString, after);
        const QStringList s = stored.split(u'|');
        FormRig rig(nullptr, u"[COMSETTINGS]\nPORT=%1\nBAUD=%2\nPARITY=%3\n[GENERAL]\nENABLESTRINGS=%4\n"_s
                                 .arg(s[0], s[1], s[2], s[3])
                                 .toLatin1());
        QWidget *box = nullptr;
        if (s[3] == u"1"_s) {
            QTest::mouseClick(rig.row("StringCount", 2), Qt::LeftButton);
            typeInto(box = rig.find("StrDes"), u"draft"_s);
        }
        const auto state = [&] {
            const auto label = [&](const char *name) { return rig.find<QLabel>(name)->text(); };
            return QStringList{label("CommLabel"), label("BaudLabel"), label("ParityLabel"),
                               box && !box->isHidden() ? u"box"_s : u"-"_s}
                .join(u' ');
        };
        QString seen, steps;
        rig.configure(
            [&](Configuration *dialog) {
                for (auto *list : dialog->findChildren<QComboBox *>()) // port, baud, parity
                    seen += list->currentText() + u'|';
                seen += QString::number(dialog->findChild<QCheckBox *>()->isChecked()) + u'|' +
                        dialog->findChild<QLabel *>(u"PortDevice"_s)->text();
                if (port)
                    dialog->findChild<QComboBox *>(u"cboPort"_s)->setCurrentIndex(port - 1);
                if (click)
                    QTest::mouseClick(dialog->findChild<QCheckBox *>(), Qt::LeftButton);
                // Escape and SAVE in the wait after SAVE must neither close
                // the dialog under the running save nor run it twice.
                rig.waiter.onAdvance = [&, dialog, pressed = false](qint64) mutable {
                    if (!std::exchange(pressed, true)) {
                        QTest::keyClick(dialog, Qt::Key_Escape);
                        QTest::mouseClick(dialog->findChild<QPushButton *>(u"ConfigSave"_s), Qt::LeftButton);
                    }
                    steps += state() + (dialog->isVisible() ? u""_s : u" closed"_s);
                };
            },
            qPrintable(button));
        QCOMPARE(seen, shown);
        const AppSettings saved = SettingsFile(rig.dir.filePath(u"Korvex.ini"_s)).read().settings;
        steps += u" / %1|%2|%3|%4 "_s.arg(saved.Port).arg(saved.Baud, saved.Parity).arg(saved.EnableStrings) +
                 state();
        QTest::mouseClick(rig.row("StringCount", 3), Qt::LeftButton);
        // The draft is committed only by that click, when descriptions are on.
        steps += (box && !box->isHidden() ? u" box "_s : u" - "_s) +
                 (rig.rows().description(2).isEmpty() ? u"-"_s : u"draft"_s);
        QCOMPARE(steps, after);
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
        QCOMPARE(QStringList({rig.shown(0), rig.shown(9)}),
                 QStringList({u"A|AB|2|verified"_s, u"ENTER|{0D}{0A}|2|verified"_s}));
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
            QFile file(pdf);
            QCOMPARE(file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-" && file.size() > 10000,
                     accept);
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
        for (int i = 0; i < RowCount; ++i)
            QCOMPARE(rig.shown(i) + QLatin1String(rig.rows().description(i)), u"||0|-?"_s);
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
        QTest::newRow("200 lines keep the newest 75") << 200 << 70 << u"l\u00e9 196"_s;
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
        QCOMPARE((QStringList{under, label->toolTip(), rig.shown(1)}),
                 (QStringList{u"bad.cfg"_s, path, u"B||0|-?"_s}));
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
