#include "FormRig.h"

#include "ui/KeyStringField.h"

#include <QLabel>

// Typing into a row's output-string field: every character through the
// typing aid, every change through the check, and only 8-bit text.
class TestTyping : public QObject
{
    Q_OBJECT

private slots:
    void typed_data();
    void typed();
    void tooLongShowsSevenWhileTheMessageIsOpen();
    void groupErrorCutsBackToTheBrace();
    void everyKeystrokeMarksTheRow_data();
    void everyKeystrokeMarksTheRow();
    void caretStaysWhereTheOperatorTypes();
    void characterOutsideLatin1IsRefused();
    void pasteKeepsOnlyLatin1();
    void programChangesReachTheField();
};

void TestTyping::typed_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("count");

    QTest::newRow("plain text") << "ab" << QByteArray("ab") << "2";
    QTest::newRow("inside an open group letters go upper-case") << "AB{c" << QByteArray("AB{C") << "2";
    QTest::newRow("closed group counts one") << "{c7}x" << QByteArray("{C7}x") << "2";
    QTest::newRow("after the group lower-case stays") << "{0d}a" << QByteArray("{0D}a") << "2";
    QTest::newRow("Latin-1 letter is one byte") << QStringLiteral("\u00e9") << QByteArray("\xE9") << "1";
    QTest::newRow("six groups fill the field")
        << "{01}{02}{03}{04}{05}{06}" << QByteArray("{01}{02}{03}{04}{05}{06}") << "6";
    QTest::newRow("the field takes 24 characters at most")
        << "{01}{02}{03}{04}{05}{06}7" << QByteArray("{01}{02}{03}{04}{05}{06}") << "6";
}

void TestTyping::typed()
{
    QFETCH(QString, keys);
    QFETCH(QByteArray, stored);
    QFETCH(QString, count);

    FormRig rig;
    auto *field = rig.row<QLineEdit>("KeyString", 5);
    typeInto(field, keys);
    QCOMPARE(rig.rows().keyString(5), stored);
    QCOMPARE(field->text(), QString::fromLatin1(stored));
    QCOMPARE(rig.row<QLabel>("StringCount", 5)->text(), count);
    QVERIFY(rig.prompter.messages().isEmpty());
}

void TestTyping::tooLongShowsSevenWhileTheMessageIsOpen()
{
    FormRig rig;
    auto *field = rig.row<QLineEdit>("KeyString", 0);
    QString countDuring;
    QString textDuring;
    rig.prompter.onPrompt = [&](const RecordingPrompter::Prompt &) {
        countDuring = rig.row<QLabel>("StringCount", 0)->text();
        textDuring = field->text();
    };

    QTest::keyClicks(field, QStringLiteral("ABCDEFG"));

    QCOMPARE(rig.prompter.messages(),
             QStringList{
                 QStringLiteral("String entered for item # 1 is too long .. max string length is 6 chars")});
    QCOMPARE(countDuring, QStringLiteral("7"));
    QCOMPARE(textDuring, QStringLiteral("ABCDEFG"));
    QCOMPARE(field->text(), QStringLiteral("ABCDEF"));
    QCOMPARE(rig.row<QLabel>("StringCount", 0)->text(), QStringLiteral("6"));
}

void TestTyping::groupErrorCutsBackToTheBrace()
{
    FormRig rig;
    auto *field = rig.row<QLineEdit>("KeyString", 1);
    // "g" arrives upper-cased inside the group and is still no hex digit.
    QTest::keyClicks(field, QStringLiteral("XY{g"));
    QCOMPARE(rig.prompter.messages(),
             QStringList{QStringLiteral("{G only 2 HEX chars allowed within brackets (like {C7})")});
    QCOMPARE(field->text(), QStringLiteral("XY{"));
    QCOMPARE(rig.row<QLabel>("StringCount", 1)->text(), QStringLiteral("2"));
}

void TestTyping::everyKeystrokeMarksTheRow_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("after");

    QTest::newRow("character") << int(Qt::Key_X) << "x"
                               << "abx";
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << "\b"
                               << "a";
}

void TestTyping::everyKeystrokeMarksTheRow()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, after);

    FormRig rig;
    rig.rows().setKeyString(9, "ab");
    rig.rows().setIcon(9, RowIcon::CheckMark);
    auto *field = rig.row<QLineEdit>("KeyString", 9);
    field->setCursorPosition(2);

    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(field, &press);

    QCOMPARE(field->text(), after);
    QCOMPARE(rig.rows().icon(9), RowIcon::QuestionMark);
    QCOMPARE(rig.row("Image1", 9)->accessibleDescription(), QStringLiteral("not verified"));
}

void TestTyping::caretStaysWhereTheOperatorTypes()
{
    FormRig rig;
    auto *field = rig.row<QLineEdit>("KeyString", 3);
    QTest::keyClicks(field, QStringLiteral("ABC"));
    field->setCursorPosition(1);
    QTest::keyClicks(field, QStringLiteral("X"));
    QCOMPARE(rig.rows().keyString(3), QByteArray("AXBC"));
    QCOMPARE(field->cursorPosition(), 2);
}

void TestTyping::characterOutsideLatin1IsRefused()
{
    FormRig rig;
    auto *field = rig.row<QLineEdit>("KeyString", 4);
    QTest::keyClicks(field, QStringLiteral("A"));
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u20ac"));
    QApplication::sendEvent(field, &euro);
    QCOMPARE(field->text(), QStringLiteral("A"));
    QCOMPARE(rig.rows().keyString(4), QByteArray("A"));
    QCOMPARE(rig.prompter.beeps(), 1);
}

void TestTyping::pasteKeepsOnlyLatin1()
{
    FormRig rig;
    auto *field = rig.row<QLineEdit>("KeyString", 4);
    field->insert(QStringLiteral("A\u20acB\u00e9"));
    QCOMPARE(field->text(), QStringLiteral("AB\u00e9"));
    QCOMPARE(rig.rows().keyString(4), QByteArray("AB\xE9"));
    QCOMPARE(rig.prompter.beeps(), 1);
}

void TestTyping::programChangesReachTheField()
{
    // Text set by an operation runs the same check as typing and shows the
    // cut-back text.
    FormRig rig;
    rig.rows().setKeyString(12, "{c7}");
    QCOMPARE(rig.prompter.messages(),
             QStringList{QStringLiteral("{c7} only 2 HEX chars allowed within brackets (like {C7})")});
    QCOMPARE(rig.row<QLineEdit>("KeyString", 12)->text(), QStringLiteral("{"));
    QCOMPARE(rig.row<QLabel>("StringCount", 12)->text(), QStringLiteral("0"));
}

QTEST_MAIN(TestTyping)
#include "tst_typing.moc"
