#include "core/KeyRows.h"
#include "keys/KeyStringChecker.h"
#include "support/RecordingPrompter.h"

#include <QTest>

class tst_KeyStringChecker : public QObject
{
    Q_OBJECT

private slots:
    void check_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("captionDuringMessage");
        QTest::addColumn<QByteArray>("finalText");
        QTest::addColumn<QString>("finalCaption");
        QTest::addColumn<int>("braceState");

        const QString hex = QStringLiteral(" only 2 HEX chars allowed within brackets (like {C7})");
        QTest::newRow("empty") << 0 << QByteArray() << QStringList() << QString() << QByteArray()
                               << QStringLiteral("0") << 0;
        QTest::newRow("AB{C open group") << 0 << QByteArray("AB{C") << QStringList() << QString()
                                         << QByteArray("AB{C") << QStringLiteral("2") << 1;
        QTest::newRow("{} and lone }") << 0 << QByteArray("{}}") << QStringList() << QString() << QByteArray("{}}")
                                       << QStringLiteral("2") << 0;
        QTest::newRow("six groups") << 0 << QByteArray("{01}{02}{03}{04}{05}{06}") << QStringList() << QString()
                                    << QByteArray("{01}{02}{03}{04}{05}{06}") << QStringLiteral("6") << 0;
        QTest::newRow("lower-case group cut to {") << 0 << QByteArray("{c7}") << QStringList{QStringLiteral("{c7}") + hex}
                                                   << QStringLiteral("0") << QByteArray("{") << QStringLiteral("0") << 1;
        QTest::newRow("third digit") << 0 << QByteArray("XY{C7A}") << QStringList{QStringLiteral("{C7A}") + hex}
                                     << QStringLiteral("0") << QByteArray("XY{") << QStringLiteral("2") << 1;
        QTest::newRow("message runs to the end") << 0 << QByteArray("{12G}AB")
                                                 << QStringList{QStringLiteral("{12G}AB") + hex} << QStringLiteral("0")
                                                 << QByteArray("{") << QStringLiteral("0") << 1;
        QTest::newRow("seven chars row 1") << 0 << QByteArray("ABCDEFG")
                                           << QStringList{QStringLiteral(
                                                  "String entered for item # 1 is too long .. max string length is 6 chars")}
                                           << QStringLiteral("7") << QByteArray("ABCDEF") << QStringLiteral("6") << 0;
        QTest::newRow("row 4 cut after a group") << 3 << QByteArray("ABCDE{41}{42}")
                                                 << QStringList{QStringLiteral(
                                                        "String entered for item # 4 is too long .. max string length is 6 chars")}
                                                 << QStringLiteral("7") << QByteArray("ABCDE{41}") << QStringLiteral("6")
                                                 << 0;
        QTest::newRow("8-bit text in the message") << 15 << QByteArray("{\xE9}")
                                                   << QStringList{QStringLiteral("{\u00E9}") + hex} << QStringLiteral("0")
                                                   << QByteArray("{") << QStringLiteral("0") << 1;
    }

    void check()
    {
        QFETCH(int, row);
        QFETCH(QByteArray, typed);
        QFETCH(QStringList, messages);
        QFETCH(QString, captionDuringMessage);
        QFETCH(QByteArray, finalText);
        QFETCH(QString, finalCaption);
        QFETCH(int, braceState);

        KeyRows rows;
        RecordingPrompter prompter;
        KeyStringChecker checker(rows, prompter);
        QStringList captionsSeen;
        QList<QByteArray> textsSeen;
        prompter.onPrompt = [&](const RecordingPrompter::Prompt &) {
            captionsSeen.append(rows.lengthCaption(row));
            textsSeen.append(rows.keyString(row));
        };

        rows.setKeyString(row, typed);

        QCOMPARE(prompter.messages(), messages);
        if (!messages.isEmpty()) {
            // While the message is open the operator still sees what was typed.
            QCOMPARE(captionsSeen.first(), captionDuringMessage);
            QCOMPARE(textsSeen.first(), typed);
        }
        QCOMPARE(rows.keyString(row), finalText);
        QCOMPARE(rows.lengthCaption(row), finalCaption);
        QCOMPARE(checker.BraceState(), braceState);
        for (int other = 0; other < RowCount; ++other) {
            if (other != row)
                QCOMPARE(rows.lengthCaption(other), QStringLiteral("0"));
        }
    }

    void checkReturnsTheRowNumber()
    {
        KeyRows rows;
        RecordingPrompter prompter;
        KeyStringChecker checker(rows, prompter);
        rows.setKeyString(9, "AB");
        QCOMPARE(checker.CheckKeyString(9), QString());
        // Bypass the change signal to ask the check directly about bad text.
        QSignalBlocker block(rows);
        rows.setKeyString(9, "{x}");
        block.unblock();
        QCOMPARE(checker.CheckKeyString(9), QStringLiteral("Error in item #10"));
    }

    void typingAid_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("inserted");

        QTest::newRow("inside open group upper-cased") << QByteArray("AB{C") << int('d') << int('D');
        QTest::newRow("outside a group unchanged") << QByteArray("AB") << int('d') << int('d');
        QTest::newRow("digit unchanged") << QByteArray("{") << int('7') << int('7');
        QTest::newRow("backspace unchanged") << QByteArray("{") << 8 << 8;
        QTest::newRow("Latin-1 letter") << QByteArray("{") << 0xE9 << 0xC9;
        QTest::newRow("y with diaeresis has no 8-bit capital") << QByteArray("{") << 0xFF << 0xFF;
    }

    void typingAid()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, typed);
        QFETCH(int, inserted);

        KeyRows rows;
        RecordingPrompter prompter;
        KeyStringChecker checker(rows, prompter);
        rows.setKeyString(5, text);
        rows.setIcon(5, RowIcon::CheckMark);
        QCOMPARE(checker.KeyString_KeyPress(5, typed), inserted);
        QCOMPARE(rows.icon(5), RowIcon::QuestionMark);
    }

    void braceStateFollowsTheLastCheckedRow()
    {
        KeyRows rows;
        RecordingPrompter prompter;
        KeyStringChecker checker(rows, prompter);
        rows.setKeyString(0, "{A");
        QCOMPARE(checker.BraceState(), 1);
        rows.setKeyString(1, "x");
        // Shared by all rows: typing in row 0 now is not upper-cased.
        QCOMPARE(checker.KeyString_KeyPress(0, 'b'), int('b'));
    }
};

QTEST_GUILESS_MAIN(tst_KeyStringChecker)
#include "tst_keystringchecker.moc"
