// The pieces of the .cfg format on their own: how fields are written, how a
// line becomes fields, and how lines are cut from an input within bounds.
#include "core/KorvexError.h"
#include "files/CfgFormat.h"
#include "files/CfgLineReader.h"

#include <QBuffer>
#include <QDateTime>
#include <QLocale>
#include <QTest>

using Lines = QList<QByteArray>;
using Result = CfgLineReader::Result;

Q_DECLARE_METATYPE(CfgLineReader::Result)

class tst_CfgFormat : public QObject
{
    Q_OBJECT

private slots:
    void flattenKeepsRecordsOnOneLine_data();
    void flattenKeepsRecordsOnOneLine();
    void recordFields_data();
    void recordFields();
    void timeFormatLosesOnlyTheZone_data();
    void timeFormatLosesOnlyTheZone();
    void writtenAtHasSecondsAndNoZone();
    void lineReader_data();
    void lineReader();
};

void tst_CfgFormat::flattenKeepsRecordsOnOneLine_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("plain text unchanged") << QByteArray("abc {C7}") << QByteArray("abc {C7}");
    QTest::newRow("8-bit bytes unchanged") << QByteArray("\xe9\xff\x01") << QByteArray("\xe9\xff\x01");
    QTest::newRow("TAB becomes a space") << QByteArray("a\tb") << QByteArray("a b");
    QTest::newRow("CR LF pair is one space") << QByteArray("line1\r\nline2") << QByteArray("line1 line2");
    QTest::newRow("bare LF is one space") << QByteArray("a\nb") << QByteArray("a b");
    QTest::newRow("bare CR is one space") << QByteArray("a\rb") << QByteArray("a b");
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << QByteArray("a  b");
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QByteArray("a  b");
    QTest::newRow("trailing CR LF") << QByteArray("x\r\n") << QByteArray("x ");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void tst_CfgFormat::flattenKeepsRecordsOnOneLine()
{
    QFETCH(QByteArray, field);
    QFETCH(QByteArray, written);
    QCOMPARE(flattenCfgField(field), written);
}

void tst_CfgFormat::recordFields_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("isRecord");
    QTest::addColumn<Lines>("fields");

    QTest::newRow("four fields") << QByteArray("03\tF1\t{C7}\tabc") << true
                                 << Lines{"03", "F1", "{C7}", "abc"};
    QTest::newRow("spaces trimmed at both ends")
        << QByteArray("  05\tF2\tab\tx  ") << true << Lines{"05", "F2", "ab", "x"};
    QTest::newRow("spaces inside fields kept")
        << QByteArray("05 \t F2 \tab\t x y") << true << Lines{"05 ", " F2 ", "ab", " x y"};
    QTest::newRow("empty fields kept") << QByteArray("03\t\t\t") << true << Lines{"03", "", "", ""};
    QTest::newRow("TABs at the ends are not trimmed") << QByteArray("\t03\t") << true << Lines{"", "03", ""};
    QTest::newRow("two fields") << QByteArray("07\tF9") << true << Lines{"07", "F9"};
    QTest::newRow("fifth field dropped")
        << QByteArray("01\ta\tb\tc\td\te") << true << Lines{"01", "a", "b", "c"};
    QTest::newRow("CR inside a line is text") << QByteArray("01\ta\rb") << true << Lines{"01", "a\rb"};
    QTest::newRow("no TAB is no record") << QByteArray("01 F1 ab") << false << Lines{};
    QTest::newRow("comment") << QByteArray("#File written\tx") << false << Lines{};
    QTest::newRow("comment after spaces") << QByteArray("   #\t01\tF1") << false << Lines{};
    QTest::newRow("empty line") << QByteArray() << false << Lines{};
    QTest::newRow("spaces only") << QByteArray("    ") << false << Lines{};
}

void tst_CfgFormat::recordFields()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, isRecord);
    QFETCH(Lines, fields);

    const std::optional<Lines> got = CfgRecordFields(line);
    QCOMPARE(got.has_value(), isRecord);
    if (got)
        QCOMPARE(*got, fields);
}

void tst_CfgFormat::timeFormatLosesOnlyTheZone_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("withoutZone");

    QTest::newRow("zone at the end") << QStringLiteral("HH:mm:ss t") << QStringLiteral("HH:mm:ss");
    QTest::newRow("zone at the start") << QStringLiteral("t HH:mm:ss") << QStringLiteral("HH:mm:ss");
    QTest::newRow("AM/PM kept") << QStringLiteral("h:mm:ss AP t") << QStringLiteral("h:mm:ss AP");
    QTest::newRow("quoted t kept") << QStringLiteral("HH 'h' mm 'min' ss 's' t")
                                   << QStringLiteral("HH 'h' mm 'min' ss 's'");
    QTest::newRow("quoted word with t kept")
        << QStringLiteral("'at' HH:mm:ss") << QStringLiteral("'at' HH:mm:ss");
    QTest::newRow("long zone form") << QStringLiteral("HH:mm:ss tttt") << QStringLiteral("HH:mm:ss");
    QTest::newRow("no zone") << QStringLiteral("HH.mm.ss") << QStringLiteral("HH.mm.ss");
}

void tst_CfgFormat::timeFormatLosesOnlyTheZone()
{
    QFETCH(QString, format);
    QFETCH(QString, withoutZone);
    QCOMPARE(timeFormatWithoutZone(format), withoutZone);
}

void tst_CfgFormat::writtenAtHasSecondsAndNoZone()
{
    const QDateTime when(QDate(2024, 3, 9), QTime(14, 5, 7));
    const QByteArray text = CfgWrittenAt(when, QLocale(QLocale::English, QLocale::UnitedKingdom));
    QCOMPARE(text, QByteArray("09/03/2024 14:05:07"));
}

void tst_CfgFormat::lineReader_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<qint64>("maxLine");
    QTest::addColumn<qint64>("maxInput");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<CfgLineReader::Result>("last");

    const qint64 roomy = 1 << 20;
    QTest::newRow("CR LF ends lines")
        << QByteArray("a\r\nb\r\n") << qint64(8) << roomy << Lines{"a", "b"} << Result::End;
    QTest::newRow("bare LF ends lines")
        << QByteArray("a\nb\r\nc\n") << qint64(8) << roomy << Lines{"a", "b", "c"} << Result::End;
    QTest::newRow("last line without end")
        << QByteArray("a\r\nb") << qint64(8) << roomy << Lines{"a", "b"} << Result::End;
    QTest::newRow("empty lines kept")
        << QByteArray("\r\n\n") << qint64(8) << roomy << Lines{"", ""} << Result::End;
    QTest::newRow("CR not before LF is text")
        << QByteArray("a\rb\r\n") << qint64(8) << roomy << Lines{"a\rb"} << Result::End;
    QTest::newRow("only one CR belongs to the end")
        << QByteArray("a\r\r\n") << qint64(8) << roomy << Lines{"a\r"} << Result::End;
    QTest::newRow("empty input") << QByteArray() << qint64(8) << roomy << Lines{} << Result::End;

    QTest::newRow("line at the limit with CR LF")
        << QByteArray("12345678\r\nx\r\n") << qint64(8) << roomy << Lines{"12345678", "x"} << Result::End;
    QTest::newRow("line at the limit with LF")
        << QByteArray("12345678\nx") << qint64(8) << roomy << Lines{"12345678", "x"} << Result::End;
    QTest::newRow("line at the limit at the end")
        << QByteArray("x\n12345678") << qint64(8) << roomy << Lines{"x", "12345678"} << Result::End;
    QTest::newRow("one over the limit with CR LF")
        << QByteArray("x\n123456789\r\ny\n") << qint64(8) << roomy << Lines{"x"} << Result::LineTooLong;
    QTest::newRow("one over the limit with LF")
        << QByteArray("123456789\ny\n") << qint64(8) << roomy << Lines{} << Result::LineTooLong;
    QTest::newRow("one over the limit at the end")
        << QByteArray("x\n123456789") << qint64(8) << roomy << Lines{"x"} << Result::LineTooLong;
    QTest::newRow("binary without line ends")
        << QByteArray(5000, '\0') << qint64(8) << roomy << Lines{} << Result::LineTooLong;

    QTest::newRow("input ending at its bound")
        << QByteArray("ab\ncd\n") << qint64(8) << qint64(6) << Lines{"ab", "cd"} << Result::End;
    QTest::newRow("input going past its bound")
        << QByteArray("ab\ncd\nef\n") << qint64(8) << qint64(6) << Lines{"ab", "cd"} << Result::InputTooLong;
    QTest::newRow("bound inside a line finishes the line")
        << QByteArray("ab\ncd\nef\n") << qint64(8) << qint64(4) << Lines{"ab", "cd"} << Result::InputTooLong;
}

void tst_CfgFormat::lineReader()
{
    QFETCH(QByteArray, input);
    QFETCH(qint64, maxLine);
    QFETCH(qint64, maxInput);
    QFETCH(Lines, lines);
    QFETCH(CfgLineReader::Result, last);

    QBuffer buffer(&input);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    CfgLineReader reader(buffer, maxLine, maxInput);
    Lines got;
    QByteArray line;
    Result result;
    while ((result = reader.next(&line)) == Result::Line)
        got.append(line);
    QCOMPARE(got, lines);
    QCOMPARE(result, last);
}

QTEST_GUILESS_MAIN(tst_CfgFormat)
#include "tst_cfgformat.moc"
