#include "FormRig.h"

#include <QAccessible>
#include <QImage>

// The window through its widgets: where the controls lie and how assistive
// technology names them, capturing keys, typing output strings, and the
// description box.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void accessibleText_data()
    {
        // What assistive technology reads of a control, after the values
        // changed: "name", "description", or "shown" for what the label draws.
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("KbdKey_15") << "name" << "Keyboard Key 16";
        QTest::newRow("KeyString_0") << "name" << "Output String 1";
        QTest::newRow("StatusBox") << "name" << "Communication Details";
        QTest::newRow("VerifyBtn") << "name" << "Verify Key Outputs  in KORVEX";
        QTest::newRow("Image1_3") << "description" << "verified";
        QTest::newRow("StringCount_3") << "name" << "String Length 4";
        QTest::newRow("StringCount_3") << "description" << "3";
        QTest::newRow("CommLabel") << "name" << "COM5";
        QTest::newRow("CommLabel") << "description" << "PORT";
        QTest::newRow("BaudLabel") << "name" << "19200";
        QTest::newRow("ParityLabel") << "name" << "EVEN";
        QTest::newRow("CfgLabel") << "name" << "rows.cfg";
        QTest::newRow("PercentLabel") << "name" << "40%";
        QTest::newRow("codelabel") << "name" << "Code Version Reported: 2.14";
        QTest::newRow("codelabel") << "shown" << QStringLiteral("Code Version Reported: 2.14\u240d\u240a");
        // clang-format on
    }
    void accessibleText()
    {
        QFETCH(QString, role);
        QFETCH(QString, expected);
        FormRig rig;
        MainModel &model = rig.form->model();
        model.setText(MainModel::Text::CommLabel, QStringLiteral("COM5"));
        model.setText(MainModel::Text::BaudLabel, QStringLiteral("19200"));
        model.setText(MainModel::Text::ParityLabel, QStringLiteral("EVEN"));
        model.setText(MainModel::Text::CfgLabel, QStringLiteral("rows.cfg"));
        model.setText(MainModel::Text::CodeLabel, QStringLiteral("Code Version Reported: 2.14\r\n"));
        model.progress().setMaximum(15);
        model.progress().step(6);
        rig.rows().setKeyString(3, "ABC");
        rig.rows().markAllUnconfirmed(true);
        rig.rows().setIcon(3, RowIcon::CheckMark);

        QWidget *control = rig.find(QTest::currentDataTag());
        QAccessibleInterface *seen = QAccessible::queryAccessibleInterface(control);
        const QString text = role == QLatin1String("shown")  ? qobject_cast<QLabel *>(control)->text()
                             : role == QLatin1String("name") ? seen->text(QAccessible::Name)
                                                             : seen->text(QAccessible::Description);
        QCOMPARE(text, expected);
    }

    void keyCapture_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("shown");
        // clang-format off
        QTest::newRow("letter, upper-case name") << int(Qt::Key_Q) << 0 << "Q||0|-?";
        QTest::newRow("Shift+1 names the key") << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << "1||0|-?";
        QTest::newRow("F5 makes no character: icon unchanged") << int(Qt::Key_F5) << 0 << "F5||0|-";
        QTest::newRow("Delete empties the field") << int(Qt::Key_Delete) << 0 << "||0|-";
        QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << "ENTER||0|-?";
        QTest::newRow("Tab is captured, not a focus move") << int(Qt::Key_Tab) << 0 << "TAB||0|-?";
        QTest::newRow("space, drawn visibly") << int(Qt::Key_Space) << 0 << " ||0|-?";
        QTest::newRow("keypad 5") << int(Qt::Key_5) << int(Qt::KeypadModifier) << "e||0|-?";
        // clang-format on
    }
    void keyCapture()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, shown);
        FormRig rig;
        QWidget *field = rig.row("KbdKey", 2);
        const QImage blank = field->grab().toImage();
        rig.rows().setKeyName(2, "W");
        QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(rig.shown(2), shown);
        QCOMPARE(field->grab().toImage() != blank, !shown.startsWith(QLatin1Char('|')));
    }

    void typing_data()
    {
        QTest::addColumn<QString>("preset"); // set by the program first
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("prompts"); // each "text @ length label while it shows"
        const QString sixGroups = QStringLiteral("{01}{02}{03}{04}{05}{06}");
        // clang-format off
        QTest::newRow("inside an open group letters go upper-case") << "" << "AB{c" << "AB{C" << QStringList();
        QTest::newRow("seventh character: shown as 7, then cut") << "" << "ABCDEFG" << "ABCDEF"
            << QStringList{QStringLiteral("String entered for item # 1 is too long .. max string length is 6 chars @ 7")};
        QTest::newRow("character outside Latin-1 refused with a beep") << "" << QStringLiteral("A\u20ac") << "A" << QStringList{QStringLiteral("(beep) @ 1")};
        QTest::newRow("typing stops at 24 characters") << "" << sixGroups + QLatin1Char('{') << sixGroups << QStringList();
        QTest::newRow("a longer text from a file is kept whole, not lengthened") << sixGroups + QStringLiteral("{A") << "B" << sixGroups + QStringLiteral("{A") << QStringList();
        // clang-format on
    }
    void typing()
    {
        QFETCH(QString, preset);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(QStringList, prompts);
        FormRig rig;
        QStringList seen;
        rig.prompter.onPrompt = [&](const QString &p) {
            seen << p + QLatin1String(" @ ") + rig.row<QLabel>("StringCount", 0)->text();
        };
        rig.rows().setKeyString(0, preset.toLatin1());
        rig.row<QLineEdit>("KeyString", 0)->end(false);
        typeInto(rig.row("KeyString", 0), keys);
        QCOMPARE(seen, prompts);
        QCOMPARE(rig.row<QLineEdit>("KeyString", 0)->text(), text);
        QCOMPARE(rig.rows().keyString(0), text.toLatin1());
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
        const auto px = [](int twips) { return qRound(twips / 15.0); };

        click(0);
        auto *box = rig.find<QPlainTextEdit>("StrDes");
        QVERIFY(box && !box->isHidden() && !line->isHidden());
        QCOMPARE(QRect(line->x(), line->y(), line->width(), box->y()),
                 QRect(px(4575), px(1725), px(5300) - px(4575) + 1, px(1180)));
        typeHere(QStringLiteral("why row one"));
        // Another row's click commits the open row and moves the box to the left half.
        click(10);
        QCOMPARE(rig.rows().description(0), QByteArray("why row one"));
        QCOMPARE(box->toPlainText(), QString());
        QCOMPARE(box->x(), px(870));
        // The open row's click closes the box and commits.
        typeHere(QStringLiteral("kept"));
        click(10);
        QVERIFY(box->isHidden() && line->isHidden());
        QCOMPARE(QApplication::focusWidget(), key);
        QCOMPARE(rig.rows().description(10), QByteArray("kept"));
        // Descriptions turned off: the click hides the box and commits nothing.
        click(0);
        QCOMPARE(box->toPlainText(), QStringLiteral("why row one"));
        typeHere(QStringLiteral(" edited"));
        rig.setDescriptions(false);
        click(0);
        QVERIFY(box->isHidden());
        QCOMPARE(rig.rows().description(0), QByteArray("why row one"));
        QCOMPARE(rig.rows().keyName(0), QByteArray("F1"));
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
