// The .cfg file as bytes: what the writer puts on disk, and what a command
// reads from a file, each problem with its line.
#include "TestFiles.h"
#include "files/CfgFormat.h"
#include "files/CfgReader.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using Rows = QMap<int, KeyOverride>; // by row number, 1 to 16

class tst_CfgFile : public QObject
{
    Q_OBJECT

private slots:
    void writtenFileMatchesFixture()
    {
        // Every notation form, an empty row, a string without a key, 8-bit
        // text, and descriptions with line breaks and TABs, which a record
        // cannot hold: each is written as one space. (That the file loads back
        // as it was saved: fuzz_cfg_reader_corpus, over a copy of it.)
        // clang-format off
        const KeyOverrides rows{{{"ESC", "AB{0D}", "first\r\nsecond"}, {}, {"F1", "{C7}", "abc"},
            {"F3", "{}", "tab\there"}, {"F4", "}", "caf\xe9 \xff"}, {"", "xyz", ""},
            {"F6", "{01}{02}{03}{04}{05}{06}", "six groups"}, {"F7", "ABCDEF", "  leading spaces"},
            {"\xe9", "\xe9\xff", "#not a comment"}, {"F9", " x ", "one\ntwo\nthree"}, {"F10", "AB{C", ""},
            {"NUM 1", "{0D}{0A}", "crlf\r"}, {"F12", "#", "cr\rinside"}, {"F14", "{FF}{7}~^", "x"},
            {"F15", "", "no string"}, {"F12", "\xe9{}", "caf\xe9\tsteps\n"}}};
        // clang-format on
        QCOMPARE(CfgFileBytes(rows, "<masked>"), readFile(QFINDTESTDATA("data/expected.cfg")));
        // The date line: short date, then the time with seconds and no zone.
        QCOMPARE(CfgWrittenAt(QDateTime(QDate(2024, 3, 9), QTime(14, 5, 7)),
                              QLocale(QLocale::English, QLocale::UnitedKingdom)),
                 "09/03/2024 14:05:07"_ba);
    }

    void rowsAsACommandReadsThem_data()
    {
        // The rows named, by number; then the problems, each with its line.
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QStringList>("problems");
        const QString notARow = u"not a row: expected NN<TAB>KEY<TAB>TEXT"_s;
        // clang-format off
        QTest::newRow("later records win; two fields keep the string; comments skipped")
            << "#x\n01\tA\tab\tone\n01\tB\n\n03\t\t{C7}\n"_ba
            << Rows{{1, {"B", "ab", "one"}}, {3, {"", "{C7}", ""}}} << QStringList();
        // A row number is a decimal number with sign, fraction and blanks, or
        // not a row number at all: an exponent makes it none.
        QTest::newRow("row numbers: out of range reported, no number (1e1, letters, O4) not a row")
            << "17\tA\n00\tA\n1e1\tA\nO4\tF4\thello\n+2.0 \tA\n04 F4 hello\n"_ba << Rows{{2, {"A", "", ""}}}
            << QStringList{u"line 1: row number 17 is not between 1 and 16"_s,
                           u"line 2: row number 00 is not between 1 and 16"_s,
                           u"line 3: "_s + notARow, u"line 4: "_s + notARow, u"line 6: "_s + notARow};
        QTest::newRow("notation and key names as the device knows them, and what was meant")
            << "01\tQQ\n02\tA\t{1b}\n03\t \tABCDEFG\n04\tf2\n"_ba
            << Rows{{1, {"QQ", "", ""}}, {2, {"A", "{1b}", ""}}, {3, {" ", "ABCDEFG", ""}},
                    {4, {"f2", "", ""}}}
            << QStringList{u"line 1: unknown key name \"QQ\" for row 1; did you mean \"Q\"?"_s,
                           u"line 2: {1b} only 2 HEX chars allowed within brackets (like {C7}) "
                           "(hex digits are upper case: {1B}, not {1b})"_s,
                           u"line 3: String entered for item # 3 is too long .. "
                           "max string length is 6 chars"_s,
                           u"line 4: unknown key name \"f2\" for row 4; did you mean \"F2\"?"_s};
        QByteArray many;
        QStringList kept;
        for (int line = 1; line <= 200; ++line) {
            many += "bad\n";
            if (line <= CfgFileRows::KeptProblems)
                kept << u"line %1: "_s.arg(line) + notARow;
        }
        QTest::newRow("200 bad lines: the first problems kept, the rest counted") << many << Rows() << kept;
        QTest::newRow("a line too long stops reading, with its line")
            << "01\tA\n" + QByteArray(80, 'x') + "\n02\tB\n"_ba << Rows{{1, {"A", "", ""}}}
            << QStringList{u"line 2 is longer than 64 bytes, which no configuration file has; "
                           "nothing from that line on was read"_s};
        // clang-format on
    }
    void rowsAsACommandReadsThem()
    {
        QFETCH(QByteArray, file);
        QFETCH(Rows, rows);
        QFETCH(QStringList, problems);
        QBuffer input(&file);
        QVERIFY(input.open(QIODevice::ReadOnly));
        const CfgFileRows read = readCfgRows(input, 0, {64, 1024});
        Rows named;
        for (int i = 0; i < RowCount; ++i) {
            if (read.named.test(std::size_t(i)))
                named[i + 1] = read.rows[std::size_t(i)];
        }
        QCOMPARE(named, rows);
        QCOMPARE(read.problems, problems);
        QCOMPARE(read.moreProblems,
                 qint64(file.count("bad\n") - read.problems.size()) * file.startsWith("bad"));
    }
};

QTEST_GUILESS_MAIN(tst_CfgFile)
#include "tst_cfgfile.moc"
