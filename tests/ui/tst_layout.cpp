#include "FormRig.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

// The window as it opens: where every control lies, what it says, and how
// assistive technology finds it.
class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void geometry_data();
    void geometry();
    void rowsAreBoundToTheirOwnRow();
    void openingState();
    void toolTips_data();
    void toolTips();
    void accessibleNames_data();
    void accessibleNames();
    void menuBar();
};

namespace {

QRect pixels(int left, int top, int width, int height)
{
    const auto p = [](int twips) { return qRound(twips / 15.0); };
    return QRect(p(left), p(top), p(width), p(height));
}

} // namespace

void TestLayout::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("expected");

    // The row table in twips: left column (rows 0-7), right column (8-15).
    struct Column
    {
        const char *control;
        int left[2];
        int width[2];
        int height;
    };
    const Column columns[] = {
        {"Image1", {240, 6000}, {250, 250}, 300},        {"Label3", {480, 6240}, {375, 375}, 255},
        {"KbdKey", {960, 6720}, {855, 855}, 330},        {"KeyString", {1920, 7680}, {2655, 2535}, 330},
        {"StringCount", {4680, 10320}, {375, 375}, 330},
    };
    for (int row : {0, 1, 7, 8, 9, 15}) {
        const int side = row >= 8 ? 1 : 0;
        const int top = 1560 + 480 * (row % 8);
        for (const Column &c : columns) {
            const QString name = QLatin1String(c.control) + QLatin1Char('_') + QString::number(row);
            QTest::addRow("%s", qPrintable(name))
                << name << pixels(c.left[side], top, c.width[side], c.height);
        }
    }

    const struct
    {
        const char *name;
        int left, top, width, height;
    } fixed[] = {
        {"Label1", 3000, 480, 6015, 375},         {"Label10", 4920, 120, 1575, 375},
        {"ProgressLabel", 1200, 5520, 975, 255},  {"ProgressBar1", 2280, 5520, 3255, 255},
        {"PercentLabel", 5640, 5520, 615, 255},   {"Label5", 6600, 5400, 2295, 255},
        {"StatusBox", 6600, 5640, 4575, 1620},    {"Command1", 240, 5880, 2295, 615},
        {"Command2", 2640, 5880, 1815, 615},      {"VerifyBtn", 4560, 5880, 1815, 615},
        {"GetVersionBtn", 4560, 7320, 1815, 615}, {"codelabel", 6600, 7440, 4575, 375},
        {"Frame1", 240, 6600, 6135, 615},         {"ClientArea", 0, 0, 11595, 8025},
    };
    for (const auto &f : fixed)
        QTest::addRow("%s", f.name) << QString::fromLatin1(f.name)
                                    << pixels(f.left, f.top, f.width, f.height);

    // Line1(k): from x 600 to x 10680 at y 1920 + 480 k.
    for (int k : {0, 7}) {
        const QRect rule = pixels(600, 1920 + 480 * k, 10680 - 600, 0);
        QTest::addRow("Line1_%d", k) << QStringLiteral("Line1_%1").arg(k)
                                     << QRect(rule.left(), rule.top(), rule.width() + 1, 1);
    }
}

void TestLayout::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, expected);

    FormRig rig;
    QCOMPARE(rig.find(name)->geometry(), expected);
}

void TestLayout::rowsAreBoundToTheirOwnRow()
{
    // Every row's widgets show that row's model and nothing else.
    FormRig rig;
    for (int i = 0; i < 16; ++i) {
        rig.rows().setKeyName(i, "F" + QByteArray::number(i + 1));
        rig.rows().setKeyString(i, QByteArray(i % 6 + 1, 'a' + static_cast<char>(i)));
    }
    for (int i = 0; i < 16; ++i) {
        QCOMPARE(rig.row<QLineEdit>("KbdKey", i)->text(), QStringLiteral("F%1").arg(i + 1));
        QCOMPARE(rig.row<QLineEdit>("KeyString", i)->text(), QString(i % 6 + 1, QLatin1Char('a' + i)));
        QCOMPARE(rig.row<QLabel>("StringCount", i)->text(), QString::number(i % 6 + 1));
        QCOMPARE(rig.row<QLabel>("Label3", i)->text(), QString::number(i + 1));
    }
}

void TestLayout::openingState()
{
    FormRig rig;
    QWidget &form = *rig.form;
    QCOMPARE(form.windowTitle(), QStringLiteral("KORVEX CONFIG v1.07"));
    for (const char *hidden :
         {"ProgressBar1", "ProgressLabel", "PercentLabel", "StrDes", "StrLine", "WebBrowser1"})
        QVERIFY2(rig.find(QLatin1String(hidden))->isHidden(), hidden);
    for (int i = 0; i < 16; ++i) {
        QVERIFY(rig.row("Image1", i)->isHidden());
        QCOMPARE(rig.row<QLabel>("StringCount", i)->text(), QStringLiteral("0"));
        QVERIFY(rig.row<QLineEdit>("KbdKey", i)->isReadOnly());
        QCOMPARE(rig.row<QLineEdit>("KeyString", i)->maxLength(), 24);
    }
    QCOMPARE(rig.find<QPlainTextEdit>(QStringLiteral("StrDes"))->toPlainText(),
             QStringLiteral("String Description"));
    QCOMPARE(rig.find<QLabel>(QStringLiteral("codelabel"))->text(),
             QStringLiteral("Code Version Reported: ??"));
    QCOMPARE(rig.find<QLabel>(QStringLiteral("PercentLabel"))->text(), QStringLiteral("pcnt"));
    // No settings file: the defaults are applied and shown.
    QCOMPARE(rig.find<QLabel>(QStringLiteral("CommLabel"))->text(), QStringLiteral("COM1"));
    QCOMPARE(rig.find<QLabel>(QStringLiteral("BaudLabel"))->text(), QStringLiteral("9600"));
    QCOMPARE(rig.find<QLabel>(QStringLiteral("ParityLabel"))->text(), QStringLiteral("NONE"));
    QCOMPARE(rig.find<QLabel>(QStringLiteral("CfgLabel"))->text(), QStringLiteral("None"));
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestLayout::toolTips_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tip");

    const QString key = QStringLiteral("Click field, then press key to override");
    const QString string = QStringLiteral("Enter ASCII characters, or binary chars in {}");
    const QString count = QStringLiteral("Click to enter reason for this string");
    QTest::newRow("key field of row 1") << QStringLiteral("KbdKey_0") << key;
    for (int i : {1, 8, 15})
        QTest::addRow("key field of row %d has none", i + 1)
            << QStringLiteral("KbdKey_%1").arg(i) << QString();
    for (int i : {0, 7, 8, 15}) {
        QTest::addRow("output string %d", i + 1) << QStringLiteral("KeyString_%1").arg(i) << string;
        QTest::addRow("length label %d", i + 1) << QStringLiteral("StringCount_%1").arg(i) << count;
    }
    QTest::newRow("read") << QStringLiteral("Command1")
                          << QStringLiteral("Read KORVEX key outputs and write to screen");
    QTest::newRow("send") << QStringLiteral("Command2")
                          << QStringLiteral("Send all output strings to KORVEX");
    QTest::newRow("verify") << QStringLiteral("VerifyBtn")
                            << QStringLiteral("Verify that KORVEX values match those on-screen");
}

void TestLayout::toolTips()
{
    QFETCH(QString, name);
    QFETCH(QString, tip);

    FormRig rig;
    QCOMPARE(rig.find(name)->toolTip(), tip);
}

void TestLayout::accessibleNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessible");
    QTest::addColumn<QString>("description");

    QTest::newRow("first key field") << QStringLiteral("KbdKey_0") << QStringLiteral("Keyboard Key 1")
                                     << QString();
    QTest::newRow("last output string")
        << QStringLiteral("KeyString_15") << QStringLiteral("Output String 16") << QString();
    QTest::newRow("length label") << QStringLiteral("StringCount_8") << QStringLiteral("String Length 9")
                                  << QString();
    QTest::newRow("status icon") << QStringLiteral("Image1_3") << QStringLiteral("Status 4")
                                 << QStringLiteral("not verified");
    QTest::newRow("status log") << QStringLiteral("StatusBox") << QStringLiteral("Communication Details")
                                << QString();
    QTest::newRow("description box") << QStringLiteral("StrDes") << QStringLiteral("String Description")
                                     << QString();
    QTest::newRow("button by caption")
        << QStringLiteral("VerifyBtn") << QStringLiteral("Verify Key Outputs  in KORVEX") << QString();
    QTest::newRow("label by caption")
        << QStringLiteral("Label11") << QStringLiteral("CONFIG FILE:") << QString();
}

void TestLayout::accessibleNames()
{
    QFETCH(QString, name);
    QFETCH(QString, accessible);
    QFETCH(QString, description);

    FormRig rig;
    QWidget *widget = rig.find(name);
    QCOMPARE(widget->accessibleName(), accessible);
    QCOMPARE(widget->accessibleDescription(), description);
}

void TestLayout::menuBar()
{
    FormRig rig;
    const auto texts = [](const QList<QAction *> &actions) {
        QStringList list;
        for (const QAction *action : actions)
            list << action->text();
        return list;
    };
    const QList<QAction *> top = rig.form->menuBar()->actions();
    QCOMPARE(texts(top), (QStringList{QStringLiteral("File"), QStringLiteral("Configuration"),
                                      QStringLiteral("Clear All"), QStringLiteral("Print Screen"),
                                      QStringLiteral("Help")}));
    QVERIFY(top.at(0)->menu());
    QVERIFY(!top.at(1)->menu() && !top.at(2)->menu() && !top.at(3)->menu());
    QCOMPARE(texts(top.at(0)->menu()->actions()),
             (QStringList{QStringLiteral("Open"), QStringLiteral("Save"), QStringLiteral("Save As")}));
    QCOMPARE(texts(top.at(4)->menu()->actions()),
             (QStringList{QStringLiteral("OverView"), QStringLiteral("Entering Keyboard Keys"),
                          QStringLiteral("Creating Output Strings"), QStringLiteral("Verifying Operation"),
                          QStringLiteral("Miscellaneous"), QStringLiteral("Close")}));
    QCOMPARE(top.at(1)->objectName(), QStringLiteral("Config"));
    QCOMPARE(top.at(2)->objectName(), QStringLiteral("ClearAll"));
    QCOMPARE(top.at(3)->objectName(), QStringLiteral("prscr"));
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
