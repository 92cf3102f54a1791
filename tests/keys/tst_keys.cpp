#include "RecordingPrompter.h"
#include "keys/KeyLookup.h"
#include "keys/KeyStringNotation.h"
#include "keys/KeyTable.h"
#include "ui/model/KeyCapture.h"
#include "ui/model/KeyRows.h"
#include "ui/model/KeyStringChecker.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Text typed into a row, the message it brings, the text kept, its length
// and what it stands for; then a key typed next and what the typing aid lets
// in: upper case only inside a group still open.
struct Check
{
    int row;
    QByteArray typed;
    QString message;
    QByteArray kept;
    int length; // as its caption shows it
    QByteArray bytes;
    char next, letIn;
};

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
        QTest::addColumn<KeyEventData::Source>("source");
        QTest::addColumn<int>("native"); // X11 keycode (evdev + 8) or Windows virtual key
        QTest::addColumn<Qt::Key>("qtKey");
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<QByteArray>("name");
        const auto x11 = KeyEventData::Source::XkbKeycode, synthetic = KeyEventData::Source::QtKeyOnly;
        const QByteArray none;
        // clang-format off
        QTest::newRow("x11 Shift+1 is the 1 key") << x11 << 2 + 8 << Qt::Key_Exclam << false << "1"_ba;
        QTest::newRow("x11 Delete empties") << x11 << 111 + 8 << Qt::Key_Delete << false << none;
        QTest::newRow("x11 Ctrl alone empties") << x11 << 29 + 8 << Qt::Key_Control << false << none;
        QTest::newRow("x11 keypad 5, Num Lock off: Clear") << x11 << 76 + 8 << Qt::Key_Clear << true << none;
        QTest::newRow("x11 keypad Delete, Num Lock off") << x11 << 83 + 8 << Qt::Key_Delete << true << none;
        QTest::newRow("x11 keypad Home, Num Lock off") << x11 << 71 + 8 << Qt::Key_Home << true << none;
        QTest::newRow("x11 space bar, catalogue name") << x11 << 57 + 8 << Qt::Key_Space << false << " "_ba;
        QTest::newRow("unknown keycode: Qt key") << x11 << 208 << Qt::Key_Q << false << "Q"_ba;
        QTest::newRow("windows virtual key")
            << KeyEventData::Source::WindowsVirtualKey << 192 << Qt::Key_QuoteLeft << false << "`"_ba;
        QTest::newRow("synthetic Shift+2") << synthetic << 0 << Qt::Key_At << false << "2"_ba;
        QTest::newRow("synthetic keypad minus") << synthetic << 0 << Qt::Key_Minus << true << "m"_ba;
        // clang-format on
    }
    void capture()
    {
        QFETCH(KeyEventData::Source, source);
        QFETCH(int, native);
        QFETCH(Qt::Key, qtKey);
        QFETCH(bool, keypad);
        QFETCH(QByteArray, name);
        KeyEventData event{source, 0, 0, qtKey, keypad};
        (source == KeyEventData::Source::WindowsVirtualKey ? event.nativeVirtualKey : event.nativeScanCode) =
            quint32(native);
        QCOMPARE(KeyCodeToKeyName(virtualKeyFromEvent(event)), name);
    }

    void check_data()
    {
        QTest::addColumn<Check>("check");
        const auto add = [](const char *name, const Check &check) { QTest::newRow(name) << check; };
        const QString hex = u" only 2 HEX chars allowed within brackets (like {C7})"_s;
        const auto tooLong = [](int n) {
            return u"String entered for item # %1 is too long .. max string length is 6 chars"_s.arg(n);
        };
        // clang-format off
        add("AB{C: an open group adds nothing", {0, "AB{C", {}, "AB{C", 2, "AB", 'd', 'D'});
        add("{}, lone } and six groups",
            {0, "{}}{03}{04}{05}{06}", {}, "{}}{03}{04}{05}{06}", 6, "\0}\x03\x04\x05\x06"_ba, 'd', 'd'});
        add("8-bit, one digit, space", {0, "\xE9{7} {C7}", {}, "\xE9{7} {C7}", 4, "\xE9\x07 \xC7", 'd', 'd'});
        add("lower-case group cut to {; backspace", {0, "{c7}", u"{c7}"_s + hex, "{", 0, "", '\b', '\b'});
        add("third digit; Latin-1 letter", {0, "XY{C7A}", u"{C7A}"_s + hex, "XY{", 2, "XY", '\xE9', '\xC9'});
        add("message runs to the end, 8-bit; no 8-bit capital for y-diaeresis",
            {15, "{12G}\xE9", u"{12G}\u00E9"_s + hex, "{", 0, "", '\xFF', '\xFF'});
        add("seventh unit cut", {0, "ABCDEFG", tooLong(1), "ABCDEF", 6, "ABCDEF", 'd', 'd'});
        add("row 4 cut after a group", {3, "ABCDE{41}{42}", tooLong(4), "ABCDE{41}", 6, "ABCDEA", 'd', 'd'});
        add("bad group, then too long", {1, "ABCDEFG{x}", u"{x}"_s + hex, "ABCDEF", 6, "ABCDEF", 'd', 'd'});
        // clang-format on
    }
    void check()
    {
        QFETCH(Check, check);
        KeyRows rows;
        RecordingPrompter prompter;
        KeyStringChecker checker(rows, prompter);
        rows.setKeyString(check.row, check.typed);

        QCOMPARE(prompter.prompts.value(0), check.message);
        QCOMPARE(rows.keyString(check.row), check.kept);
        QCOMPARE(rows.lengthCaption(check.row), QString::number(check.length));
        QCOMPARE(EncodeKeyString(check.kept), check.bytes);
        QCOMPARE(checker.typedCharacter(check.row, quint8(check.next)), int(quint8(check.letIn)));
        QCOMPARE(rows.icon(check.row), RowIcon::QuestionMark); // typing leaves the row unconfirmed
        // The row checked last decides for every row.
        rows.setKeyString((check.row + 1) % RowCount, "x");
        QCOMPARE(checker.typedCharacter(check.row, 'd'), int('d'));
    }
};

QTEST_GUILESS_MAIN(tst_Keys)
#include "tst_keys.moc"
