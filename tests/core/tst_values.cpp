#include "core/LeftPad.h"
#include "core/VbNumber.h"

#include <QTest>

#include <cmath>

class tst_Values : public QObject
{
    Q_OBJECT

private slots:
    void leftPad_data()
    {
        QTest::addColumn<QString>("s");
        QTest::addColumn<int>("ilen");
        QTest::addColumn<QString>("pad");
        QTest::addColumn<QString>("expected");

        QTest::newRow("one digit padded") << QStringLiteral("7") << 2 << QStringLiteral("0") << QStringLiteral("07");
        QTest::newRow("already long enough") << QStringLiteral("C7") << 2 << QStringLiteral("0") << QStringLiteral("C7");
        QTest::newRow("longer is not cut") << QStringLiteral("ABC") << 2 << QStringLiteral("0") << QStringLiteral("ABC");
        QTest::newRow("whole copies of a long pad") << QStringLiteral("x") << 4 << QStringLiteral("ab")
                                                    << QStringLiteral("ababx");
        QTest::newRow("empty text") << QString() << 2 << QStringLiteral("0") << QStringLiteral("00");
        QTest::newRow("empty pad ends") << QStringLiteral("x") << 4 << QString() << QStringLiteral("x");
    }

    void leftPad()
    {
        QFETCH(QString, s);
        QFETCH(int, ilen);
        QFETCH(QString, pad);
        QFETCH(QString, expected);
        QCOMPARE(LeftPad(s, ilen, pad), expected);
    }

    void toInt16_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");

        QTest::newRow("plain") << QByteArray("3") << true << 3;
        QTest::newRow("surrounding spaces") << QByteArray("  12 ") << true << 12;
        QTest::newRow("signed") << QByteArray("-4") << true << -4;
        QTest::newRow("plus sign") << QByteArray("+4") << true << 4;
        QTest::newRow("2.5 to even 2") << QByteArray("2.5") << true << 2;
        QTest::newRow("3.5 to even 4") << QByteArray("3.5") << true << 4;
        QTest::newRow("-2.5 to even -2") << QByteArray("-2.5") << true << -2;
        QTest::newRow("2.51 up") << QByteArray("2.51") << true << 3;
        QTest::newRow("exponent") << QByteArray("1e1") << true << 10;
        QTest::newRow("upper bound") << QByteArray("32767") << true << 32767;
        QTest::newRow("lower bound") << QByteArray("-32768") << true << -32768;
        QTest::newRow("overflow") << QByteArray("32768") << false << 0;
        QTest::newRow("70000 overflow") << QByteArray("70000") << false << 0;
        QTest::newRow("huge exponent") << QByteArray("1e999") << false << 0;
        QTest::newRow("empty") << QByteArray() << false << 0;
        QTest::newRow("letter") << QByteArray("x") << false << 0;
        QTest::newRow("trailing garbage") << QByteArray("3x") << false << 0;
        QTest::newRow("sign alone") << QByteArray("-") << false << 0;
        QTest::newRow("point alone") << QByteArray(".") << false << 0;
        QTest::newRow("two points") << QByteArray("1.2.3") << false << 0;
        QTest::newRow("hex is no number") << QByteArray("0x10") << false << 0;
        QTest::newRow("inner space") << QByteArray("1 2") << false << 0;
    }

    void toInt16()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        QString why;
        const std::optional<qint16> result = ::toInt16(text, &why);
        QCOMPARE(result.has_value(), ok);
        if (ok)
            QCOMPARE(int(*result), value);
        else
            QVERIFY(!why.isEmpty());
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("0.5") << 0.5 << 0.0;
        QTest::newRow("1.5") << 1.5 << 2.0;
        QTest::newRow("16.5") << 16.5 << 16.0;
        QTest::newRow("15.5") << 15.5 << 16.0;
        QTest::newRow("-0.5") << -0.5 << 0.0;
        QTest::newRow("-1.5") << -1.5 << -2.0;
        QTest::newRow("0.49") << 0.49 << 0.0;
    }

    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(double, expected);
        QCOMPARE(::roundHalfEven(value) + 0.0, expected);
    }
};

QTEST_GUILESS_MAIN(tst_Values)
#include "tst_values.moc"
