#include "FormRig.h"

#include "ui/KbdKeyField.h"

#include <QImage>

// Pressing keys in a row's key field, through the widget.
class TestKeyCapture : public QObject
{
    Q_OBJECT

private slots:
    void capture_data();
    void capture();
    void eachRowCapturesIntoItself();
    void spaceNameIsVisible();
};

Q_DECLARE_METATYPE(RowIcon)

void TestKeyCapture::capture_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<RowIcon>("icon");

    const RowIcon marked = RowIcon::QuestionMark;
    const RowIcon untouched = RowIcon::Hidden;
    const int none = Qt::NoModifier;
    QTest::newRow("letter, upper-case name") << int(Qt::Key_Q) << "q" << none << "Q" << marked;
    QTest::newRow("Shift+1 names the key, not the character")
        << int(Qt::Key_Exclam) << "!" << int(Qt::ShiftModifier) << "1" << marked;
    QTest::newRow("F5 makes no character: icon unchanged")
        << int(Qt::Key_F5) << "" << none << "F5" << untouched;
    QTest::newRow("Delete empties the field") << int(Qt::Key_Delete) << "\x7f" << none << "" << untouched;
    QTest::newRow("arrow empties the field") << int(Qt::Key_Left) << "" << none << "" << untouched;
    QTest::newRow("Ctrl alone empties the field")
        << int(Qt::Key_Control) << "" << int(Qt::ControlModifier) << "" << untouched;
    QTest::newRow("Enter") << int(Qt::Key_Return) << "\r" << none << "ENTER" << marked;
    QTest::newRow("Tab is captured, not a focus move") << int(Qt::Key_Tab) << "\t" << none << "TAB" << marked;
    QTest::newRow("Shift+Tab too") << int(Qt::Key_Backtab) << "" << int(Qt::ShiftModifier) << "TAB"
                                   << untouched;
    QTest::newRow("space bar is the catalogue's single space")
        << int(Qt::Key_Space) << " " << none << " " << marked;
    QTest::newRow("keypad 5") << int(Qt::Key_5) << "5" << int(Qt::KeypadModifier) << "e" << marked;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << "\x1b" << none << "ESC" << marked;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << "\b" << none << "BKSPC" << marked;
    QTest::newRow("Ctrl+C is a key like any other")
        << int(Qt::Key_C) << "\x03" << int(Qt::ControlModifier) << "C" << marked;
}

void TestKeyCapture::capture()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, modifiers);
    QFETCH(QString, shown);
    QFETCH(RowIcon, icon);

    FormRig rig;
    rig.rows().setKeyName(2, "W");
    auto *field = rig.row<QLineEdit>("KbdKey", 2);

    QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QApplication::sendEvent(field, &press);

    QVERIFY(press.isAccepted());
    QCOMPARE(field->text(), shown);
    QCOMPARE(rig.rows().keyName(2), shown.toLatin1());
    QCOMPARE(rig.rows().icon(2), icon);
    QCOMPARE(rig.row("Image1", 2)->isHidden(), icon == RowIcon::Hidden);
}

void TestKeyCapture::eachRowCapturesIntoItself()
{
    FormRig rig;
    for (int i = 0; i < 16; ++i)
        QTest::keyClick(rig.row("KbdKey", i), static_cast<Qt::Key>(Qt::Key_F1 + i % 12));
    for (int i = 0; i < 16; ++i)
        QCOMPARE(rig.rows().keyName(i), "F" + QByteArray::number(i % 12 + 1));
}

void TestKeyCapture::spaceNameIsVisible()
{
    // A key field holding the single-space name must not look empty, while
    // the name itself stays one space.
    FormRig rig;
    auto *field = rig.row<QLineEdit>("KbdKey", 0);
    const QImage empty = field->grab().toImage();
    rig.rows().setKeyName(0, " ");
    const QImage space = field->grab().toImage();
    QCOMPARE(field->text(), QStringLiteral(" "));
    QVERIFY(empty != space);
}

QTEST_MAIN(TestKeyCapture)
#include "tst_keycapture.moc"
