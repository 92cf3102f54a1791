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
        QTest::newRow("plain and a group") << QByteArray("A B{0D}") << QByteArray("A B\x0D");
        QTest::newRow("one digit group") << QByteArray("{7}") << QByteArray("\x07");
        QTest::newRow("empty group is 0x00") << QByteArray("{}") << QByteArray(1, '\0');
        QTest::newRow("lone } is 0x7D") << QByteArray("}") << QByteArray("}");
        QTest::newRow("open group adds nothing") << QByteArray("AB{C") << QByteArray("AB");
        QTest::newRow("8-bit plain and group") << QByteArray("\xE9{C7}") << QByteArray("\xE9\xC7");
    }

    void encode()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(EncodeKeyString(text), bytes);
    }

    void renderEveryByte()
    {
        for (int b = 1; b < 256; ++b) {
            const QByteArray rendered = RenderReceivedBytes(QByteArray(1, char(b)) + "Z");
            const QByteArray expected = (b >= 33 && b <= 126) ? QByteArray(1, char(b))
                                                               : "{" + QByteArray::number(b + 256, 16).toUpper().right(2) + "}";
            QVERIFY2(rendered == expected + "Z", qPrintable(QStringLiteral("byte %1").arg(b)));
            // Rendered text reads back as the same byte, except a bare "{".
            if (b != '{')
                QCOMPARE(EncodeKeyString(rendered), QByteArray(1, char(b)) + "Z");
        }
        QCOMPARE(RenderReceivedBytes(QByteArray("\0A", 2)), QByteArray());
    }
};

QTEST_GUILESS_MAIN(tst_Notation)
#include "tst_notation.moc"
