#include "FormRig.h"

#include "core/AppSettings.h"
#include "core/IniFile.h"

#include <QFrame>
#include <QPlainTextEdit>

// The row descriptions: the box that a click on a length label opens, where
// it lies, and when its text reaches the row.
class TestDescription : public QObject
{
    Q_OBJECT

private slots:
    void placement_data();
    void placement();
    void clickingAnotherRowCommitsAndMoves();
    void clickingTheOpenRowClosesAndCommits();
    void disabledHidesWithoutCommitting();
    void typingStopsAt200Characters();
    void longerStoredTextIsShownWhole();
    void lineBreaksCanBeTyped();
    void loadedDescriptionIsNotOverwritten();
    void clearAllEmptiesTheOpenBox();

private:
    static std::unique_ptr<FormRig> enabledRig();
};

std::unique_ptr<FormRig> TestDescription::enabledRig()
{
    return std::make_unique<FormRig>([](const QString &dir) {
        WriteINI(QDir(dir).filePath(QStringLiteral("Korvex.ini")), QStringLiteral("GENERAL"),
                 QStringLiteral("ENABLESTRINGS"), QStringLiteral("1"));
    });
}

namespace {

QPlainTextEdit *box(const FormRig &rig)
{
    return rig.find<QPlainTextEdit>(QStringLiteral("StrDes"));
}

void clickLength(const FormRig &rig, int row)
{
    QTest::mouseClick(rig.row("StringCount", row), Qt::LeftButton);
}

int p(int twips)
{
    return qRound(twips / 15.0);
}

} // namespace

void TestDescription::placement_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("lineLeft");
    QTest::addColumn<int>("lineRight");
    QTest::addColumn<int>("lineY");
    QTest::addColumn<int>("boxLeft");
    QTest::addColumn<int>("boxTop");

    QTest::newRow("row 1: box over the right half") << 0 << 4575 << 5300 << 1725 << 5300 << 1180;
    QTest::newRow("row 8, bottom of the left column") << 7 << 4575 << 5300 << 5085 << 5300 << 4540;
    QTest::newRow("row 11: box over the left half") << 10 << 870 << 7680 << 2685 << 870 << 2140;
    QTest::newRow("row 16") << 15 << 870 << 7680 << 5085 << 870 << 4540;
}

void TestDescription::placement()
{
    QFETCH(int, row);
    QFETCH(int, lineLeft);
    QFETCH(int, lineRight);
    QFETCH(int, lineY);
    QFETCH(int, boxLeft);
    QFETCH(int, boxTop);

    auto rig = enabledRig();
    clickLength(*rig, row);

    QVERIFY(!box(*rig)->isHidden());
    QCOMPARE(box(*rig)->geometry(), QRect(p(boxLeft), p(boxTop), p(5000), p(1090)));
    auto *line = rig->find<QFrame>(QStringLiteral("StrLine"));
    QVERIFY(!line->isHidden());
    QCOMPARE(line->geometry().top(), p(lineY));
    QCOMPARE(line->geometry().left(), p(lineLeft));
    QCOMPARE(line->geometry().right(), p(lineRight));
    // The connector is drawn beneath the fields.
    QWidget *client = rig->form->clientArea();
    QVERIFY(client->children().indexOf(line) < client->children().indexOf(rig->row("KeyString", row)));
}

void TestDescription::clickingAnotherRowCommitsAndMoves()
{
    auto rig = enabledRig();
    clickLength(*rig, 3);
    QCOMPARE(box(*rig)->toPlainText(), QString());
    typeInto(box(*rig), QStringLiteral("why row four"));

    clickLength(*rig, 10);
    QCOMPARE(rig->rows().description(3), QByteArray("why row four"));
    QCOMPARE(box(*rig)->toPlainText(), QString());
    QCOMPARE(box(*rig)->x(), p(870));

    clickLength(*rig, 3);
    QCOMPARE(box(*rig)->toPlainText(), QStringLiteral("why row four"));
    QCOMPARE(rig->rows().description(10), QByteArray());
}

void TestDescription::clickingTheOpenRowClosesAndCommits()
{
    auto rig = enabledRig();
    clickLength(*rig, 6);
    typeInto(box(*rig), QStringLiteral("kept"));
    clickLength(*rig, 6);
    QVERIFY(box(*rig)->isHidden());
    QVERIFY(rig->find(QStringLiteral("StrLine"))->isHidden());
    QCOMPARE(rig->rows().description(6), QByteArray("kept"));

    clickLength(*rig, 6);
    QVERIFY(!box(*rig)->isHidden());
    QCOMPARE(box(*rig)->toPlainText(), QStringLiteral("kept"));
}

void TestDescription::disabledHidesWithoutCommitting()
{
    auto rig = enabledRig();
    rig->rows().setDescription(2, "committed");
    clickLength(*rig, 2);
    typeInto(box(*rig), QStringLiteral(" and edited"));
    AppSettings.EnableStrings = 0;

    clickLength(*rig, 2);
    QVERIFY(box(*rig)->isHidden());
    QCOMPARE(rig->rows().description(2), QByteArray("committed"));
    clickLength(*rig, 5);
    QVERIFY(box(*rig)->isHidden());
}

void TestDescription::typingStopsAt200Characters()
{
    auto rig = enabledRig();
    clickLength(*rig, 0);
    typeInto(box(*rig), QString(205, QLatin1Char('x')));
    QCOMPARE(box(*rig)->toPlainText().size(), 200);
    box(*rig)->insertPlainText(QStringLiteral("pasted"));
    QCOMPARE(box(*rig)->toPlainText().size(), 200);
    clickLength(*rig, 0);
    QCOMPARE(rig->rows().description(0), QByteArray(200, 'x'));
}

void TestDescription::longerStoredTextIsShownWhole()
{
    // A description read from a file may be longer than the operator could
    // type; showing and committing it must not shorten it.
    auto rig = enabledRig();
    const QByteArray stored(250, 'd');
    rig->rows().setDescription(4, stored);
    clickLength(*rig, 4);
    QCOMPARE(box(*rig)->toPlainText().toLatin1(), stored);
    typeInto(box(*rig), QStringLiteral("more"));
    clickLength(*rig, 4);
    QCOMPARE(rig->rows().description(4), stored);
}

void TestDescription::lineBreaksCanBeTyped()
{
    auto rig = enabledRig();
    clickLength(*rig, 1);
    typeInto(box(*rig), QStringLiteral("one"));
    QTest::keyClick(box(*rig), Qt::Key_Return);
    typeInto(box(*rig), QStringLiteral("two"));
    clickLength(*rig, 1);
    QCOMPARE(rig->rows().description(1), QByteArray("one\ntwo"));
}

void TestDescription::loadedDescriptionIsNotOverwritten()
{
    // Opening a file while the box is open replaces the row's description;
    // the next click must not write the box's older text over it.
    auto rig = enabledRig();
    clickLength(*rig, 3);
    typeInto(box(*rig), QStringLiteral("draft"));
    rig->rows().setDescription(3, "from the file");
    QCOMPARE(box(*rig)->toPlainText(), QStringLiteral("from the file"));
    clickLength(*rig, 3);
    QCOMPARE(rig->rows().description(3), QByteArray("from the file"));
}

void TestDescription::clearAllEmptiesTheOpenBox()
{
    auto rig = enabledRig();
    rig->rows().setDescription(9, "old");
    clickLength(*rig, 9);
    rig->action("ClearAll")->trigger();
    QVERIFY(!box(*rig)->isHidden());
    QCOMPARE(box(*rig)->toPlainText(), QString());
    QCOMPARE(rig->rows().description(9), QByteArray());
}

QTEST_MAIN(TestDescription)
#include "tst_description.moc"
