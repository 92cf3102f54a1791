#include "keys/KeyStringNotation.h"

#include <QTest>

class tst_Notation : public QObject
{
    Q_OBJECT

private slots:
    void encode_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("plain") << QByteArray("AB") << QByteArray("AB");
        QTest::newRow("group") << QByteArray("AB{0D}") << QByteArray("AB\x0D");
        QTest::newRow("8-bit group") << QByteArray("{C7}") << QByteArray("\xC7");
        QTest::newRow("one digit group") << QByteArray("{7}") << QByteArray("\x07");
        QTest::newRow("empty group is 0x00") << QByteArray("{}") << QByteArray(1, '\0');
        QTest::newRow("lone closing brace is 0x7D") << QByteArray("}") << QByteArray("}");
        QTest::newRow("open group adds nothing") << QByteArray("AB{C") << QByteArray("AB");
        QTest::newRow("space stays a space") << QByteArray("A B") << QByteArray("A B");
        QTest::newRow("8-bit plain") << QByteArray("\xE9") << QByteArray("\xE9");
        QTest::newRow("six groups") << QByteArray("{01}{02}{03}{04}{05}{06}") << QByteArray("\x01\x02\x03\x04\x05\x06");
        QTest::newRow("braces as bytes") << QByteArray("{7B}{7D}") << QByteArray("{}");
    }

    void encode()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EncodeKeyString(text), bytes);
    }

    void scan_data()
    {
        using O = KeyStringScan::Outcome;
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("units");
        QTest::addColumn<bool>("openGroup");
        QTest::addColumn<int>("groupStart");
        QTest::addColumn<int>("cut");

        QTest::newRow("empty") << QByteArray() << int(O::Ok) << 0 << false << 0 << 0;
        QTest::newRow("{} one unit") << QByteArray("{}") << int(O::Ok) << 1 << false << 1 << 0;
        QTest::newRow("lone } one unit") << QByteArray("}") << int(O::Ok) << 1 << false << 0 << 0;
        QTest::newRow("AB{C open") << QByteArray("AB{C") << int(O::Ok) << 2 << true << 3 << 0;
        QTest::newRow("six groups fill 24 chars") << QByteArray("{01}{02}{03}{04}{05}{06}") << int(O::Ok) << 6
                                                  << false << 21 << 24;
        QTest::newRow("lower-case digit") << QByteArray("{c7}") << int(O::GroupError) << 0 << true << 1 << 0;
        QTest::newRow("third digit") << QByteArray("XY{C7A}") << int(O::GroupError) << 2 << true << 3 << 0;
        QTest::newRow("G not hex") << QByteArray("{G1}") << int(O::GroupError) << 0 << true << 1 << 0;
        QTest::newRow("comma not hex") << QByteArray("{,1}") << int(O::GroupError) << 0 << true << 1 << 0;
        QTest::newRow("two opening braces") << QByteArray("{{") << int(O::GroupError) << 0 << true << 1 << 0;
        QTest::newRow("seven plain") << QByteArray("ABCDEFG") << int(O::TooLong) << 7 << false << 0 << 6;
        QTest::newRow("sixth unit a group") << QByteArray("ABCDE{41}{42}") << int(O::TooLong) << 7 << false << 10
                                            << 9;
        QTest::newRow("exactly six") << QByteArray("ABCDEF") << int(O::Ok) << 6 << false << 0 << 6;
    }

    void scan()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, outcome);
        QFETCH(int, units);
        QFETCH(bool, openGroup);
        QFETCH(int, groupStart);
        QFETCH(int, cut);

        const KeyStringScan result = ScanKeyString(text);
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(result.endsInOpenGroup, openGroup);
        QCOMPARE(result.groupStart, groupStart);
        if (result.outcome != KeyStringScan::Outcome::GroupError) {
            QCOMPARE(result.units, units);
            QCOMPARE(result.cutPosition, cut);
        }
        if (result.outcome == KeyStringScan::Outcome::TooLong) {
            // What is kept after the cut is valid: exactly six units.
            const KeyStringScan kept = ScanKeyString(text.left(result.cutPosition));
            QCOMPARE(int(kept.outcome), int(KeyStringScan::Outcome::Ok));
            QCOMPARE(kept.units, MaxOutputUnits);
        }
    }

    void renderEveryByte()
    {
        for (int b = 0; b < 256; ++b) {
            const QByteArray rendered = RenderReceivedBytes(QByteArray(1, char(b)) + "Z");
            QByteArray expected;
            if (b == 0)
                expected = "";
            else if (b >= 33 && b <= 126)
                expected = QByteArray(1, char(b)) + "Z";
            else
                expected = QByteArray("{") + QByteArray(b < 16 ? "0" : "") + QByteArray::number(b, 16).toUpper() +
                           "}Z";
            QVERIFY2(rendered == expected, qPrintable(QStringLiteral("byte %1").arg(b)));
            // What is rendered reads back as the same bytes, except the bare
            // braces, which the notation would take as a group.
            if (b != 0 && b != '{')
                QCOMPARE(EncodeKeyString(rendered), QByteArray(1, char(b)) + "Z");
        }
    }

    void renderStopsAtNul()
    {
        QCOMPARE(RenderReceivedBytes(QByteArray("A \x0D\x00\x06", 5)), QByteArray("A{20}{0D}"));
    }
};

QTEST_GUILESS_MAIN(tst_Notation)
#include "tst_notation.moc"
