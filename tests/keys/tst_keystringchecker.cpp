#include "core/KeyRows.h"
#include "keys/KeyStringChecker.h"
#include "RecordingPrompter.h"

#include <QTest>

class tst_KeyStringChecker : public QObject
{
    Q_OBJECT

private slots:
    void check_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("captionWhileOpen");
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("braceState");

        const QString hex = QStringLiteral(" only 2 HEX chars allowed within brackets (like {C7})");
        const auto tooLong = [](int n) {
            return QStringLiteral("String entered for item # %1 is too long .. max string length is 6 chars").arg(n);
        };
        QTest::newRow("AB{C: open group") << 0 << QByteArray("AB{C") << QString() << QString() << QByteArray("AB{C")
                                          << QStringLiteral("2") << 1;
        QTest::newRow("{}, lone } and six groups")
            << 0 << QByteArray("{}}{03}{04}{05}{06}") << QString() << QString() << QByteArray("{}}{03}{04}{05}{06}")
            << QStringLiteral("6") << 0;
        QTest::newRow("lower-case group cut to {") << 0 << QByteArray("{c7}") << QStringLiteral("{c7}") + hex
                                                   << QStringLiteral("0") << QByteArray("{") << QStringLiteral("0") << 1;
        QTest::newRow("third digit") << 0 << QByteArray("XY{C7A}") << QStringLiteral("{C7A}") + hex << QStringLiteral("0")
                                     << QByteArray("XY{") << QStringLiteral("2") << 1;
        QTest::newRow("message runs to the end, 8-bit") << 15 << QByteArray("{12G}\xE9")
                                                        << QStringLiteral("{12G}\u00E9") + hex << QStringLiteral("0")
                                                        << QByteArray("{") << QStringLiteral("0") << 1;
        QTest::newRow("seven: caption 7 while told") << 0 << QByteArray("ABCDEFG") << tooLong(1) << QStringLiteral("7")
                                                     << QByteArray("ABCDEF") << QStringLiteral("6") << 0;
        QTest::newRow("row 4 cut after a group") << 3 << QByteArray("ABCDE{41}{42}") << tooLong(4) << QStringLiteral("7")
                                                 << QByteArray("ABCDE{41}") << QStringLiteral("6") << 0;
        QTest::newRow("bad group, then too long")
            << 1 << QByteArray("ABCDEFG{x}") << QStringLiteral("{x}") + hex << QStringLiteral("0")
            << QByteArray("ABCDEF") << QStringLiteral("6") << 0;
    }

    void check()
    {
        QFETCH(int, row);
        QFETCH(QByteArray, typed);
        QFETCH(QString, message);
        QFETCH(QString, captionWhileOpen);
        QFETCH(QByteArray, kept);
        QFETCH(QString, caption);
        QFETCH(int, braceState);

        KeyRows rows;
        RecordingPrompter prompter;
        KeyStringChecker checker(rows, prompter);
        QStringList seen; // what the operator sees while each message is open
        prompter.onPrompt = [&](const QString &) {
            seen << rows.lengthCaption(row) + QLatin1Char('|') + QString::fromLatin1(rows.keyString(row));
        };
        rows.setKeyString(row, typed);

        QCOMPARE(prompter.prompts.value(0), message);
        if (!message.isEmpty())
            QCOMPARE(seen.first(), captionWhileOpen + QLatin1Char('|') + QString::fromLatin1(typed));
        QCOMPARE(rows.keyString(row), kept);
        QCOMPARE(rows.lengthCaption(row), caption);
        QCOMPARE(checker.BraceState(), braceState);
        QCOMPARE(checker.CheckKeyString(row), QString());
    }

    void badTextNamesItsRow()
    {
        KeyRows rows;
        RecordingPrompter prompter;
        KeyStringChecker checker(rows, prompter);
        const QSignalBlocker block(rows); // put bad text in without the automatic check
        rows.setKeyString(9, "{x}");
        QCOMPARE(checker.CheckKeyString(9), QStringLiteral("Error in item #10"));
    }

    void typingAid_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("otherRow"); // checked after row 5, when not empty
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("inserted");
        QTest::newRow("inside an open group: upper case") << QByteArray("AB{C") << QByteArray() << int('d') << int('D');
        QTest::newRow("outside a group: unchanged") << QByteArray("AB") << QByteArray() << int('d') << int('d');
        QTest::newRow("backspace unchanged") << QByteArray("{") << QByteArray() << 8 << 8;
        QTest::newRow("Latin-1 letter") << QByteArray("{") << QByteArray() << 0xE9 << 0xC9;
        QTest::newRow("no 8-bit capital for y-diaeresis") << QByteArray("{") << QByteArray() << 0xFF << 0xFF;
        QTest::newRow("shared: the row checked last decides") << QByteArray("{") << QByteArray("x") << int('d') << int('d');
    }

    void typingAid()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, otherRow);
        QFETCH(int, typed);
        QFETCH(int, inserted);
        KeyRows rows;
        RecordingPrompter prompter;
        KeyStringChecker checker(rows, prompter);
        rows.setKeyString(5, text);
        rows.setKeyString(6, otherRow);
        QCOMPARE(checker.KeyString_KeyPress(5, typed), inserted);
        QCOMPARE(rows.icon(5), RowIcon::QuestionMark);
    }
};

QTEST_GUILESS_MAIN(tst_KeyStringChecker)
#include "tst_keystringchecker.moc"
