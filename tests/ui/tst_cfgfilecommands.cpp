// Save, Save As and Open as the operator meets them: the exact messages and
// questions, what ends up on disk and on screen, and the bounds that keep a
// file that is not a .cfg from hanging the program.
#include "FakeWaiter.h"
#include "RecordingPrompter.h"
#include "ScriptedFileDialogs.h"
#include "TestFiles.h"
#include "core/SettingsFile.h"
#include "files/CfgFormat.h"
#include "ui/CfgFileCommands.h"
#include "ui/model/KeyStringChecker.h"
#include "ui/model/MainModel.h"

#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Choice = std::optional<QString>;
using Rows = QMap<int, KeyOverride>; // by row number, 1 to 16

const QString Saved = u"Save Successful"_s;
const QString NoName = u"No filename entered"_s;
const QString ExtractError = u"Error extracting info from config file. "_s;

// A window's worth of model and commands, a fresh folder for its files (its
// name in two scripts, which Korvex.ini must keep as it is), and settings
// that remember another folder, where the dialogs start.
struct Rig
{
    QTemporaryDir dir{QDir::tempPath() + u"/caf\u00e9 \u20ac-XXXXXX"_s};
    const QDir folder{dir.path()};
    QTemporaryDir home;
    const SettingsFile settings{home.filePath(u"Korvex.ini"_s)};
    MainModel model;
    KeyRows &rows = model.rows();
    RecordingPrompter prompter;
    KeyStringChecker checker{rows, prompter};
    ScriptedFileDialogs dialogs;
    FakeWaiter waiter;
    CfgFileCommands commands{model, prompter, dialogs, waiter, settings};

    Rig() { settings.setLastDirectory(home.path()); }

    QString path(const QString &name) const { return name.isEmpty() ? name : folder.filePath(name); }
    // Filters unlike the folder's own, so that every call lists afresh.
    QStringList entries() const { return folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
    QString write(const QString &name, const QByteArray &bytes) { return writeFile(path(name), bytes); }
    // Every row holds something and shows the check mark, so that a row a
    // file does not name can be seen to keep it, and resetting icons shows.
    void prefill()
    {
        for (int i = 0; i < RowCount; ++i) {
            rows.setKeyName(i, 'K' + QByteArray::number(i + 1));
            rows.setKeyString(i, 'S' + QByteArray::number(i + 1));
            rows.setDescription(i, 'D' + QByteArray::number(i + 1));
            rows.setIcon(i, RowIcon::CheckMark);
        }
    }
    // By row number, each row that no longer holds what prefill() put there.
    Rows changedRows() const
    {
        Rows changed;
        for (int i = 0; i < RowCount; ++i) {
            const QByteArray n = QByteArray::number(i + 1);
            if (!(rows.keyOverride(i) == KeyOverride{'K' + n, 'S' + n, 'D' + n}))
                changed[i + 1] = rows.keyOverride(i);
        }
        return changed;
    }
};

// Save or Save As, the name chosen in the dialog (Save: the current name;
// none: Cancel) and the answers to the questions, true for Yes; what is
// asked and shown, the current name after it, and the file written.
struct SaveFlow
{
    bool saveAs;
    Choice chosen;
    QList<bool> answers;
    QStringList prompts;
    QString taken, written;
};

class tst_CfgFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void saveFlows_data()
    {
        QTest::addColumn<SaveFlow>("flow");
        const auto add = [](const char *name, const SaveFlow &flow) { QTest::newRow(name) << flow; };
        const QString old = u"old.cfg"_s, previous = u"previous.cfg"_s, none;
        const QString asked = u"? File exists -- want to overwrite? Y/N"_s;
        // clang-format off
        add("Save without a name creates nothing", {false, none, {}, {NoName}, none, none});
        add("Save over a file, No: byte for byte unchanged", {false, old, {false}, {asked}, old, none});
        add("Save over a file, Yes: rewritten", {false, old, {true}, {asked, Saved}, old, old});
        add("Save As cancelled: silent", {true, std::nullopt, {}, {}, previous, none});
        add("Save As an empty name", {true, none, {}, {NoName}, previous, none});
        add("Save As a new file asks nothing", {true, u"new.cfg"_s, {}, {Saved}, u"new.cfg"_s, u"new.cfg"_s});
        add("Save As a name without suffix: .cfg added, then asked twice about it",
            {true, u"old"_s, {true, true}, {asked, asked, Saved}, old, old});
        add("Save As, second No: kept, name taken", {true, old, {true, false}, {asked, asked}, old, none});
        add("Save As, first No: nothing changes", {true, old, {false}, {asked}, previous, none});
        // clang-format on
    }
    void saveFlows()
    {
        QFETCH(SaveFlow, flow);
        const auto &[saveAs, chosen, answers, prompts, taken, written] = flow;
        Rig rig;
        const QString oldPath = rig.write(u"old.cfg"_s, "old\r\n");
        const QString chosenPath = rig.path(chosen.value_or(QString()));
        rig.commands.setCurrentFile(saveAs ? rig.path(u"previous.cfg"_s) : chosenPath);
        if (chosen)
            rig.dialogs.name = chosenPath;
        rig.prompter.answers = answers;

        saveAs ? rig.commands.saveAs() : rig.commands.save();

        QCOMPARE(rig.prompter.prompts, prompts);
        QCOMPARE(rig.commands.currentFile(), rig.path(taken));
        // Only a saved file shows in the label and moves where the dialogs start.
        QCOMPARE(rig.dialogs.startedIn, saveAs ? rig.home.path() : QString());
        QCOMPARE(rig.model.text(MainModel::Text::CfgLabel), written.isEmpty() ? u"None"_s : written);
        QCOMPARE(rig.settings.lastDirectory(), written.isEmpty() ? rig.home.path() : rig.folder.path());
        if (written != u"old.cfg"_s)
            QCOMPARE(readFile(oldPath), "old\r\n"_ba);
        if (!written.isEmpty())
            QVERIFY(readFile(rig.path(written)).startsWith(CfgHeaderLine + "\r\n"));
        // Nothing else is left in the folder: no nameless file, no temporary file.
        QCOMPARE(rig.entries(),
                 (written == u"new.cfg"_s ? QStringList{written, u"old.cfg"_s} : QStringList{u"old.cfg"_s}));
    }

    void failureKeepsEverything_data()
    {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("name");
        QTest::newRow("Save: name is a folder") << true << u"folder.cfg"_s;
        QTest::newRow("Save: folder is a regular file") << true << u"keep.cfg/new.cfg"_s;
#ifdef Q_OS_WIN
        QTest::newRow("Save: over a file another program holds open") << true << u"keep.cfg"_s;
#else
        QTest::newRow("Save: disk full while writing over a file") << true << u"keep.cfg"_s;
        QTest::newRow("Save: a pipe, which must stay one") << true << u"pipe.cfg"_s;
#endif
        QTest::newRow("Open: file does not exist") << false << u"missing.cfg"_s;
        QTest::newRow("Open: name is a folder") << false << u"folder.cfg"_s;
#ifndef Q_OS_WIN
        QTest::newRow("Open: pipe that nobody writes") << false << u"pipe.cfg"_s;
        QTest::newRow("Open: device that never ends") << false << u"/dev/zero"_s;
        QTest::newRow("Open: contents that cannot be read") << false << u"/proc/self/mem"_s;
#endif
    }
    void failureKeepsEverything()
    {
        QFETCH(bool, save);
        QFETCH(QString, name);
        Rig rig;
        const QString oldPath = rig.write(u"keep.cfg"_s, "the previous rows\r\n");
        QVERIFY(rig.folder.mkdir(u"folder.cfg"_s));
#ifndef Q_OS_WIN
        QCOMPARE(mkfifo(QFile::encodeName(rig.path(u"pipe.cfg"_s)).constData(), 0600), 0);
#endif
        const QStringList entries = rig.entries();
        rig.prefill();
        const QString path = rig.path(name);
        rig.commands.setCurrentFile(path);
        rig.dialogs.name = path;
        {
#ifdef Q_OS_WIN
            // Held as most programs hold a file they have open: others may
            // read and even write it, but not replace it.
            const HeldOpen other(oldPath, FILE_SHARE_READ | FILE_SHARE_WRITE);
#else
            // Only the disk is full where that is the fault: elsewhere a short
            // write would hide what the fault itself does.
            std::optional<FileSizeLimit> full;
            if (name == u"keep.cfg"_s)
                full.emplace(64); // a saved file is longer
#endif
            save ? rig.commands.save() : rig.commands.open();
        }

        // One message: the operation's own text, the path and a reason.
        const QString prefix = (save ? u"Error saving file "_s : u"Error opening specified config file. "_s) +
                               QDir::toNativeSeparators(path) + u": "_s;
        // (A Save over the old file asks first.)
        const QStringList messages = rig.prompter.prompts.filter(QRegularExpression(u"^(?!\\? )"_s));
        QVERIFY2(messages.size() == 1 && messages.at(0).startsWith(prefix) &&
                     messages.at(0).size() > prefix.size(),
                 qPrintable(messages.join(u'\n')));
        QCOMPARE(readFile(oldPath), "the previous rows\r\n"_ba);
        QCOMPARE(rig.entries(), entries);
        QVERIFY(!QFileInfo(rig.path(u"pipe.cfg"_s)).isFile());
        QCOMPARE(rig.changedRows(), Rows());
        QCOMPARE(rig.rows.icon(0), RowIcon::CheckMark);
        QCOMPARE(rig.commands.currentFile(), path);
        QCOMPARE(rig.model.text(MainModel::Text::CfgLabel), save ? u"None"_s : QFileInfo(path).fileName());
        QCOMPARE(rig.settings.lastDirectory(), rig.home.path());
    }

    void openAppliesRecords_data()
    {
        // A file opened over rows that all hold something: the rows it changes
        // and the messages shown.
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Rows>("changed");
        QTest::addColumn<QStringList>("messages");
        const auto add = [](const char *name, const QByteArray &file, const Rows &changed,
                            const QStringList &messages = {}) {
            QTest::newRow(name) << file << changed << messages;
        };
        const auto rejected = [](const char *number) {
            return ExtractError + u"row number %1 is not between 1 and 16"_s.arg(QLatin1String(number));
        };
        QByteArray large; // larger than the input bound set below
        for (int i = 0; i < 500; ++i)
            large += "01\tK" + QByteArray::number(i) + "\r\n";
        // clang-format off
        add("no header; spaces around a line trimmed", "  05\tF2\tab\twhy  \r\n", {{5, {"F2", "ab", "why"}}});
        add("later record wins, two fields change only the key; fields after the fourth ignored",
            "01\tA\tx\ty\tz\r\n01\tB\r\n", {{1, {"B", "x", "y"}}});
        add("byte-order mark skipped; CR, LF and CR LF each end one line",
            "\xEF\xBB\xBF" "01\tA\r02\tB\r\n03\tC\n\r\n" + QByteArray(65, 'x'),
            {{1, {"A", "S1", "D1"}}, {2, {"B", "S2", "D2"}}, {3, {"C", "S3", "D3"}}},
            {ExtractError + u"line 5 is longer than 64 bytes, which no configuration file has; "
                             "nothing from that line on was read"_s});
        add("comments, empty lines, lines without TAB", "#x\r\n\r\n   \r\n  #\t02\tF2\r\n01 F1 ab\r\n", {});
        add("17, 00, 0.5 and 16.5 (above 16 before rounding) each reported; reading goes on",
            "17\tF1\tx\ty\r\n00\tF2\r\n0.5\tF3\r\n16.5\tF5\r\n01\tF4\r\n", {{1, {"F4", "S1", "D1"}}},
            {rejected("17"), rejected("00"), rejected("0.5"), rejected("16.5")});
        add("halves round to even: 15.5 is row 16, 2.5 row 2; +4 is row 4; the last needs no end",
            "15.5\tA\r\n2.5\tB\r\n+4 \tC",
            {{2, {"B", "S2", "D2"}}, {4, {"C", "S4", "D4"}}, {16, {"A", "S16", "D16"}}});
        add("not a number (letters, empty, trailing text, an exponent) skipped silently",
            "ab\tF1\tx\r\n\t03\tF2\r\n3x\tF3\r\n1e1\tF4\r\n1E2\tF5\r\n", {});
        // Past ten, strings arrive cut as the check would cut them: a bad
        // group, then what still is too long.
        add("ten bad records reported (the string by its check), then one count",
            "04\tF1\tABCDEFG\tx\r\n" + "00\tX\r\n"_ba.repeated(9) +
                "02\tB\tABCDEFG{Z\r\n03\tC\tAB{XY}\r\n17\tZ\r\n",
            {{2, {"B", "ABCDEF", "D2"}}, {3, {"C", "AB{", "D3"}}, {4, {"F1", "ABCDEF", "x"}}},
            QStringList{u"String entered for item # 4 is too long .. max string length is 6 chars"_s} +
                QStringList(9, rejected("00")) +
                QStringList{ExtractError +
                            u"further bad records, skipped or cut back without a message of their own: 3"_s});
        add("file larger than the input bound read to its end", large, {{1, {"K499", "S1", "D1"}}});
        // clang-format on
    }
    void openAppliesRecords()
    {
        QFETCH(QByteArray, file);
        QFETCH(Rows, changed);
        QFETCH(QStringList, messages);
        Rig rig;
        rig.prefill();
        rig.commands.setReadLimits({64, 1024});
        // The label shows the name after the last backslash as well as after a
        // slash. (On Windows a backslash is a separator: that is the name.)
#ifdef Q_OS_WIN
        rig.dialogs.name = rig.write(u"in.cfg"_s, file);
#else
        rig.dialogs.name = rig.write(u"C:\\cfg\\in.cfg"_s, file);
#endif

        rig.commands.open();

        QCOMPARE(rig.prompter.prompts, messages);
        QCOMPARE(rig.changedRows(), changed);
        for (int i = 0; i < RowCount; ++i)
            QCOMPARE(rig.rows.icon(i), RowIcon::QuestionMark);
        QCOMPARE(rig.commands.currentFile(), *rig.dialogs.name);
        QCOMPARE(rig.model.text(MainModel::Text::CfgLabel), u"in.cfg"_s);
        QCOMPARE(rig.dialogs.startedIn, rig.home.path());
        QCOMPARE(rig.settings.lastDirectory(), rig.folder.path());
    }

    void boundsStopReading()
    {
        // A 4 GiB file of one line (sparse, so it costs no disk) is refused
        // after the first megabyte, with the default bounds.
        Rig rig;
        rig.dialogs.name = rig.write(u"huge.cfg"_s, "01\tA\r\n");
        QVERIFY(QFile::resize(*rig.dialogs.name, qint64(4) << 30));
        rig.commands.open();
        const QString tooLong = u"line 2 is longer than 1048576 bytes, which no configuration file has; "_s;
        QCOMPARE(rig.prompter.prompts.join(u'\n'),
                 ExtractError + tooLong + u"nothing from that line on was read"_s);
        QCOMPARE(rig.rows.keyName(0), "A"_ba);

        // Nine-byte records for row 1 from an input of unknown size, against
        // a bound of 1024 bytes: the 114th record ends past it. The window
        // got to draw each record before the next replaced it.
        QByteArray bytes;
        for (int i = 0; i < 500; ++i)
            bytes += "01\tK" + QByteArray::number(i).rightJustified(3, '0') + "\r\n";
        QBuffer endless(&bytes);
        QVERIFY(endless.open(QIODevice::ReadOnly));
        rig.commands.setReadLimits({64, 1024});
        rig.prompter.prompts.clear();
        QByteArrayList drawn;
        rig.waiter.onPump = [&] { drawn += rig.rows.keyName(0); };
        rig.commands.readRecords(endless, 0);
        const QString ended =
            u"the input has not ended after 1026 bytes; nothing from line 115 on was read"_s;
        QCOMPARE(rig.prompter.prompts.join(u'\n'), ExtractError + ended);
        QCOMPARE(rig.rows.keyName(0), "K113"_ba);
        QVERIFY(drawn.contains("K000") && drawn.contains("K112"));
    }
};

QTEST_GUILESS_MAIN(tst_CfgFileCommands)
#include "tst_cfgfilecommands.moc"
