#include "core/KeyTable.h"
#include "keys/KeyLookup.h"

#include <QSet>
#include <QTest>

class tst_KeyLookup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { BuildKeyTable(); }

    void catalogueIsConsistent()
    {
        QSet<QByteArray> names;
        QSet<int> codes;
        for (int slot = 0; slot < KeyTableSlots - 1; ++slot) {
            const KeySlot &key = KeyTable[slot];
            QVERIFY2(!key.KeyName.isEmpty(), qPrintable(QString::number(slot)));
            QVERIFY2(key.Scancode != 0, qPrintable(QString::number(slot)));
            names.insert(key.KeyName);
            codes.insert(key.Scancode);
            // Every catalogue key survives a round trip through both searches.
            QCOMPARE(ScancodeToKeyName(KeyNameToScancode(key.KeyName)), key.KeyName);
        }
        QCOMPARE(names.size(), 64);
        QCOMPARE(codes.size(), 64);
        QCOMPARE(KeyTable[64].Scancode, 0);
        QVERIFY(KeyTable[64].KeyName.isEmpty());
    }

    void nameToScancode_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("scancode");
        QTest::newRow("F7 is the one above 0x7F") << QByteArray("F7") << 0x83;
        QTest::newRow("ESC") << QByteArray("ESC") << 118;
        QTest::newRow("back-quote") << QByteArray("`") << 0x0E;
        QTest::newRow("space is one space") << QByteArray(" ") << 0x29;
        QTest::newRow("backslash") << QByteArray("\\") << 0x5D;
        QTest::newRow("TAB") << QByteArray("TAB") << 0x0D;
        QTest::newRow("case matters") << QByteArray("a") << 0;
        QTest::newRow("unknown F13") << QByteArray("F13") << 0;
        QTest::newRow("SPACE is no catalogue name") << QByteArray("SPACE") << 0;
        QTest::newRow("empty matches the spare slot") << QByteArray() << 0;
    }

    void nameToScancode()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, scancode);
        QCOMPARE(int(KeyNameToScancode(name)), scancode);
    }

    void scancodeToName_data()
    {
        QTest::addColumn<int>("scancode");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("0x5A ENTER") << 0x5A << QByteArray("ENTER");
        QTest::newRow("0x1C A") << 0x1C << QByteArray("A");
        QTest::newRow("0 spare slot") << 0 << QByteArray();
        QTest::newRow("0xFF no key") << 0xFF << QByteArray();
        QTest::newRow("0x80 unknown") << 0x80 << QByteArray();
        QTest::newRow("negative") << -1 << QByteArray();
    }

    void scancodeToName()
    {
        QFETCH(int, scancode);
        QFETCH(QByteArray, name);
        QCOMPARE(ScancodeToKeyName(static_cast<qint16>(scancode)), name);
    }

    void keyCodeToName_data()
    {
        QTest::addColumn<int>("vk");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("letter") << int('Q') << QByteArray("Q");
        QTest::newRow("digit") << int('1') << QByteArray("1");
        QTest::newRow("F1") << 112 << QByteArray("F1");
        QTest::newRow("F12") << 123 << QByteArray("F12");
        QTest::newRow("Enter") << 13 << QByteArray("ENTER");
        QTest::newRow("Backspace") << 8 << QByteArray("BKSPC");
        QTest::newRow("Tab") << 9 << QByteArray("TAB");
        QTest::newRow("Escape") << 27 << QByteArray("ESC");
        QTest::newRow("space bar takes the catalogue name") << 32 << QByteArray(" ");
        QTest::newRow("back-quote key takes the catalogue name") << 192 << QByteArray("`");
        QTest::newRow("OEM_4 [") << 219 << QByteArray("[");
        QTest::newRow("OEM_6 ]") << 221 << QByteArray("]");
        QTest::newRow("OEM_1 ;") << 186 << QByteArray(";");
        QTest::newRow("OEM_7 '") << 222 << QByteArray("'");
        QTest::newRow("OEM_COMMA") << 188 << QByteArray(",");
        QTest::newRow("OEM_2 /") << 191 << QByteArray("/");
        QTest::newRow("OEM_5 backslash") << 220 << QByteArray("\\");
        QTest::newRow("OEM_MINUS") << 189 << QByteArray("-");
        QTest::newRow("OEM_PLUS") << 187 << QByteArray("=");
        QTest::newRow("OEM_PERIOD") << 190 << QByteArray(".");
        QTest::newRow("Shift empties") << 16 << QByteArray();
        QTest::newRow("Ctrl empties") << 17 << QByteArray();
        QTest::newRow("Alt empties") << 18 << QByteArray();
        QTest::newRow("Caps Lock empties") << 20 << QByteArray();
        QTest::newRow("Pause empties") << 19 << QByteArray();
        QTest::newRow("Delete empties") << 46 << QByteArray();
        QTest::newRow("Home empties") << 36 << QByteArray();
        QTest::newRow("Page Up empties") << 33 << QByteArray();
        QTest::newRow("arrow empties") << 40 << QByteArray();
        QTest::newRow("keypad 5 is e") << 101 << QByteArray("e");
        QTest::newRow("keypad 0 is back-quote") << 96 << QByteArray("`");
        QTest::newRow("keypad * is j") << 106 << QByteArray("j");
        QTest::newRow("left Windows key") << 91 << QByteArray("[");
        QTest::newRow("beyond the table") << 255 << QByteArray();
    }

    void keyCodeToName()
    {
        QFETCH(int, vk);
        QFETCH(QByteArray, name);
        QCOMPARE(KeyCodeToKeyName(vk), name);
    }
};

QTEST_GUILESS_MAIN(tst_KeyLookup)
#include "tst_keylookup.moc"
