#include "core/KeyRows.h"
#include "keys/KeyCapture.h"
#include "keys/KeyLookup.h"
#include "keys/KeyTable.h"

#include <QSet>
#include <QTest>

Q_DECLARE_METATYPE(KeyEventData::Source)

// The two searches over the key table, and key capture from the physical key
// to the name a key field shows.
class tst_KeyLookup : public QObject
{
    Q_OBJECT

private slots:
    void everyCatalogueKeyRoundTrips()
    {
        QSet<int> codes;
        for (std::size_t slot = 0; slot < KeyTable.size() - 1; ++slot) {
            codes.insert(KeyTable[slot].Scancode);
            QCOMPARE(ScancodeToKeyName(KeyNameToScancode(KeyTable[slot].KeyName)), QByteArray(KeyTable[slot].KeyName));
        }
        QCOMPARE(codes.size(), 64);
        QVERIFY(!codes.contains(0));
        // No key (0xFF), the spare slot (0) and unknown codes have no name.
        for (const int unknown : {0xFF, 0x80, 0})
            QVERIFY(ScancodeToKeyName(qint16(unknown)).isEmpty());
    }

    void searches_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("scancode");
        QTest::newRow("F7, the one above 0x7F") << QByteArray("F7") << 0x83;
        QTest::newRow("space is one space") << QByteArray(" ") << 0x29;
        QTest::newRow("case matters") << QByteArray("a") << 0;
        QTest::newRow("unknown F13") << QByteArray("F13") << 0;
        QTest::newRow("empty matches the spare slot") << QByteArray() << 0;
    }

    void searches()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, scancode);
        QCOMPARE(int(KeyNameToScancode(name)), scancode);
    }

    void capture_data()
    {
        using S = KeyEventData::Source;
        QTest::addColumn<KeyEventData::Source>("source");
        QTest::addColumn<int>("native"); // X11 keycode (evdev + 8) or Windows virtual key
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("x11 Shift+1 is the 1 key") << S::XkbKeycode << 2 + 8 << int(Qt::Key_Exclam) << false << QByteArray("1");
        QTest::newRow("x11 F5") << S::XkbKeycode << 63 + 8 << int(Qt::Key_F5) << false << QByteArray("F5");
        QTest::newRow("x11 Delete empties") << S::XkbKeycode << 111 + 8 << int(Qt::Key_Delete) << false << QByteArray();
        QTest::newRow("x11 Ctrl alone empties") << S::XkbKeycode << 29 + 8 << int(Qt::Key_Control) << false << QByteArray();
        QTest::newRow("x11 keypad 5 is e") << S::XkbKeycode << 76 + 8 << int(Qt::Key_5) << true << QByteArray("e");
        QTest::newRow("x11 keypad 5, Num Lock off: Clear") << S::XkbKeycode << 76 + 8 << int(Qt::Key_Clear) << true << QByteArray();
        QTest::newRow("x11 keypad Delete, Num Lock off") << S::XkbKeycode << 83 + 8 << int(Qt::Key_Delete) << true << QByteArray();
        QTest::newRow("x11 keypad Home, Num Lock off") << S::XkbKeycode << 71 + 8 << int(Qt::Key_Home) << true << QByteArray();
        QTest::newRow("x11 space bar, catalogue name") << S::XkbKeycode << 57 + 8 << int(Qt::Key_Space) << false << QByteArray(" ");
        QTest::newRow("x11 shifted back-quote") << S::XkbKeycode << 41 + 8 << int(Qt::Key_AsciiTilde) << false << QByteArray("`");
        QTest::newRow("x11 Shift+[ is [") << S::XkbKeycode << 26 + 8 << int(Qt::Key_BraceLeft) << false << QByteArray("[");
        QTest::newRow("x11 Enter") << S::XkbKeycode << 28 + 8 << int(Qt::Key_Return) << false << QByteArray("ENTER");
        QTest::newRow("unknown keycode: Qt key") << S::XkbKeycode << 208 << int(Qt::Key_Q) << false << QByteArray("Q");
        QTest::newRow("windows virtual key") << S::WindowsVirtualKey << 192 << int(Qt::Key_QuoteLeft) << false << QByteArray("`");
        QTest::newRow("synthetic Shift+2") << S::QtKeyOnly << 0 << int(Qt::Key_At) << false << QByteArray("2");
        QTest::newRow("synthetic keypad minus") << S::QtKeyOnly << 0 << int(Qt::Key_Minus) << true << QByteArray("m");
        QTest::newRow("synthetic Backtab") << S::QtKeyOnly << 0 << int(Qt::Key_Backtab) << false << QByteArray("TAB");
        QTest::newRow("synthetic arrow empties") << S::QtKeyOnly << 0 << int(Qt::Key_Left) << false << QByteArray();
    }

    void capture()
    {
        QFETCH(KeyEventData::Source, source);
        QFETCH(int, native);
        QFETCH(int, qtKey);
        QFETCH(bool, keypad);
        QFETCH(QByteArray, name);
        KeyEventData event{source, 0, 0, qtKey, keypad};
        (source == KeyEventData::Source::WindowsVirtualKey ? event.nativeVirtualKey : event.nativeScanCode) = quint32(native);
        KeyRows rows;
        rows.setKeyName(4, "old");
        KbdKey_KeyDown(rows, 4, virtualKeyFromEvent(event));
        QCOMPARE(rows.keyName(4), name);
        QCOMPARE(rows.icon(4), RowIcon::None); // only a produced character marks the row
    }

    void keyPress_data()
    {
        QTest::addColumn<QString>("eventText");
        QTest::addColumn<int>("passedOn");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("Q marks the row") << QStringLiteral("q") << int('q') << QByteArray("Q");
        QTest::newRow("Tab is swallowed and named") << QStringLiteral("\t") << 0 << QByteArray("TAB");
        QTest::newRow("F5 produces nothing") << QString() << -1 << QByteArray("Q");
        QTest::newRow("Delete produces nothing") << QStringLiteral("\x7f") << -1 << QByteArray("Q");
    }

    void keyPress()
    {
        QFETCH(QString, eventText);
        QFETCH(int, passedOn);
        QFETCH(QByteArray, name);
        KeyRows rows;
        rows.setKeyName(2, "Q");
        const int code = keyPressCharCode(eventText);
        QCOMPARE(code ? KbdKey_KeyPress(rows, 2, code) : -1, passedOn);
        QCOMPARE(rows.keyName(2), name);
        QCOMPARE(rows.icon(2), passedOn < 0 ? RowIcon::None : RowIcon::QuestionMark);
    }
};

QTEST_GUILESS_MAIN(tst_KeyLookup)
#include "tst_keylookup.moc"
