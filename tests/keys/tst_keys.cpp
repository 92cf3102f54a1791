#include "RecordingPrompter.h"
#include "keys/KeyLookup.h"
#include "keys/KeyStringNotation.h"
#include "keys/KeyTable.h"
#include "ui/model/KeyCapture.h"
#include "ui/model/KeyRows.h"
#include "ui/model/KeyStringChecker.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(KeyEventData::Source)

// The key table's two searches; key capture from the physical key to the name
// a key field shows (what the field does with it: tst_ui); the notation
// check of output strings, what a checked text stands for, and the typing aid
// inside a group.
class tst_Keys : public QObject
{
    Q_OBJECT

private slots:
    void searches()
    {
        for (std::size_t slot = 0; slot < KeyTable.size() - 1; ++slot)
            QCOMPARE(ScancodeToKeyName(KeyNameToScancode(KeyTable[slot].KeyName)),
                     QByteArray(KeyTable[slot].KeyName));
        QCOMPARE(KeyNameToScancode("F7"), 0x83); // the one above 0x7F
        // Case matters; an unknown name and the empty one find no key (the
        // spare slot). No key (0xFF), the spare slot and unknown codes have no name.
        for (const char *name : {"a", "F13", ""})
            QCOMPARE(KeyNameToScancode(name), 0);
        for (const int unknown : {0xFF, 0x80, 0})
            QVERIFY(ScancodeToKeyName(qint16(unknown)).isEmpty());
    }

    void capture_data()
    {
        using S = KeyEventData::Source;
        QTest::addColumn<KeyEventData::Source>("source");
        QTest::addColumn<int>("native"); // X11 keycode (evdev + 8) or Windows virtual key
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<QByteArray>("name");
        // clang-format off
        QTest::newRow("x11 Shift+1 is the 1 key") << S::XkbKeycode << 2 + 8 << int(Qt::Key_Exclam) << false << "1"_ba;
        QTest::newRow("x11 Delete empties") << S::XkbKeycode << 111 + 8 << int(Qt::Key_Delete) << false << QByteArray();
        QTest::newRow("x11 Ctrl alone empties") << S::XkbKeycode << 29 + 8 << int(Qt::Key_Control) << false << QByteArray();
        QTest::newRow("x11 keypad 5, Num Lock off: Clear") << S::XkbKeycode << 76 + 8 << int(Qt::Key_Clear) << true << QByteArray();
        QTest::newRow("x11 keypad Delete, Num Lock off") << S::XkbKeycode << 83 + 8 << int(Qt::Key_Delete) << true << QByteArray();
        QTest::newRow("x11 keypad Home, Num Lock off") << S::XkbKeycode << 71 + 8 << int(Qt::Key_Home) << true << QByteArray();
        QTest::newRow("x11 space bar, catalogue name") << S::XkbKeycode << 57 + 8 << int(Qt::Key_Space) << false << " "_ba;
        QTest::newRow("unknown keycode: Qt key") << S::XkbKeycode << 208 << int(Qt::Key_Q) << false << "Q"_ba;
        QTest::newRow("windows virtual key") << S::WindowsVirtualKey << 192 << int(Qt::Key_QuoteLeft) << false << "`"_ba;
        QTest::newRow("synthetic Shift+2") << S::QtKeyOnly << 0 << int(Qt::Key_At) << false << "2"_ba;
        QTest::newRow("synthetic keypad minus") << S::QtKeyOnly << 0 << int(Qt::Key_Minus) << true << "m"_ba;
        // clang-format on
    }
    void capture()
    {
        QFETCH(KeyEventData::Source, source);
        QFETCH(int, native);
        QFETCH(int, qtKey);
        QFETCH(bool, keypad);
        QFETCH(QByteArray, name);
        KeyEventData event{source, 0, 0, qtKey, keypad};
        (source == KeyEventData::Source::WindowsVirtualKey ? event.nativeVirtualKey : event.nativeScanCode) =
            quint32(native);
        QCOMPARE(KeyCodeToKeyName(virtualKeyFromEvent(event)), name);
    }

    void check_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QByteArray>("bytes"); // what the kept text stands for
        // A key typed next, and what the typing aid lets in: upper case only
        // inside a group still open.
        QTest::addColumn<QByteArray>("aid");

        const QString hex = u" only 2 HEX chars allowed within brackets (like {C7})"_s;
        const auto tooLong = [](int n) {
            return u"String entered for item # %1 is too long .. max string length is 6 chars"_s.arg(n);
        };
        // clang-format off
        QTest::newRow("AB{C: an open group adds nothing") << 0 << "AB{C"_ba << QString() << "AB{C"_ba << u"2"_s << "AB"_ba << "dD"_ba;
        QTest::newRow("{}, lone } and six groups") << 0 << "{}}{03}{04}{05}{06}"_ba << QString() << "{}}{03}{04}{05}{06}"_ba
                                                   << u"6"_s << "\0}\x03\x04\x05\x06"_ba << "dd"_ba;
        QTest::newRow("8-bit plain, one digit, space") << 0 << "\xE9{7} {C7}"_ba << QString() << "\xE9{7} {C7}"_ba << u"4"_s
                                                       << "\xE9\x07 \xC7"_ba << "dd"_ba;
        QTest::newRow("lower-case group cut to {; backspace") << 0 << "{c7}"_ba << u"{c7}"_s + hex << "{"_ba << u"0"_s << QByteArray()
                                                              << "\b\b"_ba;
        QTest::newRow("third digit; a Latin-1 letter") << 0 << "XY{C7A}"_ba << u"{C7A}"_s + hex << "XY{"_ba << u"2"_s << "XY"_ba
                                                       << "\xE9\xC9"_ba;
        QTest::newRow("message runs to the end, 8-bit; no 8-bit capital for y-diaeresis") << 15 << "{12G}\xE9"_ba
            << u"{12G}\u00E9"_s + hex << "{"_ba << u"0"_s << QByteArray() << "\xFF\xFF"_ba;
        QTest::newRow("seventh unit cut") << 0 << "ABCDEFG"_ba << tooLong(1) << "ABCDEF"_ba << u"6"_s << "ABCDEF"_ba << "dd"_ba;
        QTest::newRow("row 4 cut after a group") << 3 << "ABCDE{41}{42}"_ba << tooLong(4) << "ABCDE{41}"_ba << u"6"_s << "ABCDEA"_ba
                                                 << "dd"_ba;
        QTest::newRow("bad group, then too long") << 1 << "ABCDEFG{x}"_ba << u"{x}"_s + hex << "ABCDEF"_ba << u"6"_s << "ABCDEF"_ba
                                                  << "dd"_ba;
        // clang-format on
    }
    void check()
    {
        QFETCH(int, row);
        QFETCH(QByteArray, typed);
        QFETCH(QString, message);
        QFETCH(QByteArray, kept);
        QFETCH(QString, caption);
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, aid);

        KeyRows rows;
        RecordingPrompter prompter;
        KeyStringChecker checker(rows, prompter);
        rows.setKeyString(row, typed);

        QCOMPARE(prompter.prompts.value(0), message);
        QCOMPARE(rows.keyString(row), kept);
        QCOMPARE(rows.lengthCaption(row), caption);
        QCOMPARE(EncodeKeyString(kept), bytes);
        QCOMPARE(checker.typedCharacter(row, quint8(aid[0])), int(quint8(aid[1])));
        QCOMPARE(rows.icon(row), RowIcon::QuestionMark); // typing leaves the row unconfirmed
        // The row checked last decides for every row.
        rows.setKeyString((row + 1) % RowCount, "x");
        QCOMPARE(checker.typedCharacter(row, 'd'), int('d'));
    }
};

QTEST_GUILESS_MAIN(tst_Keys)
#include "tst_keys.moc"
