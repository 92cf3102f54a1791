#include "core/KeyRows.h"
#include "core/KeyTable.h"
#include "keys/KeyCapture.h"
#include "keys/KeyLookup.h"

#include <QTest>

Q_DECLARE_METATYPE(KeyEventData::Source)

// From the physical key to the name in the key field, through each kind of
// event source the window meets.
class tst_KeyCapture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { BuildKeyTable(); }

    void physicalKeyToName_data()
    {
        QTest::addColumn<KeyEventData::Source>("source");
        QTest::addColumn<int>("native");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<QByteArray>("name");

        using S = KeyEventData::Source;
        // X11/Wayland keycodes are evdev codes + 8.
        QTest::newRow("x11 letter A") << S::XkbKeycode << 30 + 8 << int(Qt::Key_A) << false << QByteArray("A");
        QTest::newRow("x11 Shift+1 is the 1 key") << S::XkbKeycode << 2 + 8 << int(Qt::Key_Exclam) << false
                                                  << QByteArray("1");
        QTest::newRow("x11 F5") << S::XkbKeycode << 63 + 8 << int(Qt::Key_F5) << false << QByteArray("F5");
        QTest::newRow("x11 F11") << S::XkbKeycode << 87 + 8 << int(Qt::Key_F11) << false << QByteArray("F11");
        QTest::newRow("x11 Delete") << S::XkbKeycode << 111 + 8 << int(Qt::Key_Delete) << false << QByteArray();
        QTest::newRow("x11 Ctrl alone") << S::XkbKeycode << 29 + 8 << int(Qt::Key_Control) << false << QByteArray();
        QTest::newRow("x11 keypad 5") << S::XkbKeycode << 76 + 8 << int(Qt::Key_5) << true << QByteArray("e");
        QTest::newRow("x11 space bar") << S::XkbKeycode << 57 + 8 << int(Qt::Key_Space) << false << QByteArray(" ");
        QTest::newRow("x11 back-quote") << S::XkbKeycode << 41 + 8 << int(Qt::Key_QuoteLeft) << false
                                        << QByteArray("`");
        QTest::newRow("x11 shifted back-quote") << S::XkbKeycode << 41 + 8 << int(Qt::Key_AsciiTilde) << false
                                                << QByteArray("`");
        QTest::newRow("x11 Tab") << S::XkbKeycode << 15 + 8 << int(Qt::Key_Tab) << false << QByteArray("TAB");
        QTest::newRow("x11 Enter") << S::XkbKeycode << 28 + 8 << int(Qt::Key_Return) << false << QByteArray("ENTER");
        QTest::newRow("x11 Shift+[ is [") << S::XkbKeycode << 26 + 8 << int(Qt::Key_BraceLeft) << false
                                          << QByteArray("[");
        QTest::newRow("x11 backslash") << S::XkbKeycode << 43 + 8 << int(Qt::Key_Backslash) << false
                                       << QByteArray("\\");
        QTest::newRow("x11 unknown keycode falls back to Qt key") << S::XkbKeycode << 200 + 8 << int(Qt::Key_Q)
                                                                  << false << QByteArray("Q");
        // Windows hands over the virtual key itself.
        QTest::newRow("windows F5") << S::WindowsVirtualKey << 116 << int(Qt::Key_F5) << false << QByteArray("F5");
        QTest::newRow("windows OEM_3") << S::WindowsVirtualKey << 192 << int(Qt::Key_QuoteLeft) << false
                                       << QByteArray("`");
        // Synthetic events only say which Qt key.
        QTest::newRow("qt Shift+1") << S::QtKeyOnly << 0 << int(Qt::Key_Exclam) << false << QByteArray("1");
        QTest::newRow("qt Shift+2") << S::QtKeyOnly << 0 << int(Qt::Key_At) << false << QByteArray("2");
        QTest::newRow("qt letter") << S::QtKeyOnly << 0 << int(Qt::Key_Q) << false << QByteArray("Q");
        QTest::newRow("qt keypad 5") << S::QtKeyOnly << 0 << int(Qt::Key_5) << true << QByteArray("e");
        QTest::newRow("qt digit 5") << S::QtKeyOnly << 0 << int(Qt::Key_5) << false << QByteArray("5");
        QTest::newRow("qt keypad minus") << S::QtKeyOnly << 0 << int(Qt::Key_Minus) << true << QByteArray("m");
        QTest::newRow("qt minus") << S::QtKeyOnly << 0 << int(Qt::Key_Minus) << false << QByteArray("-");
        QTest::newRow("qt question mark is the / key") << S::QtKeyOnly << 0 << int(Qt::Key_Question) << false
                                                       << QByteArray("/");
        QTest::newRow("qt Backtab") << S::QtKeyOnly << 0 << int(Qt::Key_Backtab) << false << QByteArray("TAB");
        QTest::newRow("qt Escape") << S::QtKeyOnly << 0 << int(Qt::Key_Escape) << false << QByteArray("ESC");
        QTest::newRow("qt arrow") << S::QtKeyOnly << 0 << int(Qt::Key_Left) << false << QByteArray();
        QTest::newRow("qt Alt") << S::QtKeyOnly << 0 << int(Qt::Key_Alt) << false << QByteArray();
        QTest::newRow("qt unknown key") << S::QtKeyOnly << 0 << int(Qt::Key_VolumeUp) << false << QByteArray();
    }

    void physicalKeyToName()
    {
        QFETCH(KeyEventData::Source, source);
        QFETCH(int, native);
        QFETCH(int, qtKey);
        QFETCH(bool, keypad);
        QFETCH(QByteArray, name);

        KeyEventData event;
        event.source = source;
        if (source == KeyEventData::Source::WindowsVirtualKey)
            event.nativeVirtualKey = static_cast<quint32>(native);
        else
            event.nativeScanCode = static_cast<quint32>(native);
        event.qtKey = qtKey;
        event.keypad = keypad;

        KeyRows rows;
        rows.setKeyName(4, "old");
        KbdKey_KeyDown(rows, 4, virtualKeyFromEvent(event));
        QCOMPARE(rows.keyName(4), name);
        QCOMPARE(rows.icon(4), RowIcon::Hidden); // only a produced character marks the row
    }

    void keyPress_data()
    {
        QTest::addColumn<QString>("eventText");
        QTest::addColumn<int>("passedOn");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("marked");

        QTest::newRow("Q marks the row") << QStringLiteral("q") << int('q') << QByteArray("Q") << true;
        QTest::newRow("Enter marks the row") << QStringLiteral("\r") << 13 << QByteArray("Q") << true;
        QTest::newRow("Tab is swallowed and named") << QStringLiteral("\t") << 0 << QByteArray("TAB") << true;
        QTest::newRow("F5 produces nothing") << QString() << 0 << QByteArray("Q") << false;
        QTest::newRow("Delete produces nothing") << QStringLiteral("\x7f") << 0 << QByteArray("Q") << false;
    }

    void keyPress()
    {
        QFETCH(QString, eventText);
        QFETCH(int, passedOn);
        QFETCH(QByteArray, name);
        QFETCH(bool, marked);

        KeyRows rows;
        rows.setKeyName(2, "Q");
        int result = 0;
        if (const int code = keyPressCharCode(eventText))
            result = KbdKey_KeyPress(rows, 2, code);
        QCOMPARE(result, passedOn);
        QCOMPARE(rows.keyName(2), name);
        QCOMPARE(rows.icon(2), marked ? RowIcon::QuestionMark : RowIcon::Hidden);
    }
};

QTEST_GUILESS_MAIN(tst_KeyCapture)
#include "tst_keycapture.moc"
