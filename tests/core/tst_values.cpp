#include "core/LeftPad.h"
#include "core/VbNumber.h"

#include <QTest>

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
        QTest::newRow("7 -> 07") << QStringLiteral("7") << 2 << QStringLiteral("0") << QStringLiteral("07");
        QTest::newRow("longer is not cut") << QStringLiteral("ABC") << 2 << QStringLiteral("0") << QStringLiteral("ABC");
        QTest::newRow("whole copies of the pad") << QStringLiteral("x") << 4 << QStringLiteral("ab") << QStringLiteral("ababx");
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
        QTest::addColumn<int>("value"); // -99999: refused
        const int refused = -99999;
        QTest::newRow("spaces and sign") << QByteArray("  -12 ") << -12;
        QTest::newRow("2.5 half to even") << QByteArray("2.5") << 2;
        QTest::newRow("3.5 half to even") << QByteArray("+3.5") << 4;
        QTest::newRow("-2.5 half to even") << QByteArray("-2.5") << -2;
        QTest::newRow("exponent") << QByteArray("1e1") << 10;
        QTest::newRow("bounds") << QByteArray("-32768") << -32768;
        QTest::newRow("overflow") << QByteArray("32768") << refused;
        QTest::newRow("huge exponent") << QByteArray("1e999") << refused;
        QTest::newRow("empty") << QByteArray() << refused;
        QTest::newRow("trailing garbage") << QByteArray("3x") << refused;
        QTest::newRow("point alone") << QByteArray(".") << refused;
        QTest::newRow("hex is no number") << QByteArray("0x10") << refused;
    }

    void toInt16()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, value);
        QString why;
        const std::optional<qint16> result = ::toInt16(text, &why);
        QCOMPARE(result ? int(*result) : -99999, value);
        QCOMPARE(why.isEmpty(), result.has_value());
    }
};

QTEST_GUILESS_MAIN(tst_Values)
#include "tst_values.moc"
