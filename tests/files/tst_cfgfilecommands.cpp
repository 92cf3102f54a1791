// Save, Save As and Open as the operator meets them: the exact messages and
// questions, what ends up on disk and on screen, and the bounds that keep a
// file that is not a .cfg from hanging the program.
#include "ScriptedFileDialogs.h"
#include "core/AppSettings.h"
#include "core/MainModel.h"
#include "files/CfgFileCommands.h"
#include "files/CfgFormat.h"
#include "keys/KeyStringChecker.h"
#include "keys/KeyStringNotation.h"
#include "support/FakeWaiter.h"
#include "support/RecordingPrompter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct RowContents
{
    int index = 0;
    QByteArray key;
    QByteArray string;
    QByteArray description;
};

using RowList = QList<RowContents>;

const QString OverwriteQuestion = QStringLiteral("File exists -- want to overwrite? Y/N");
const QString OpenError = QStringLiteral("Error opening specified config file. ");
const QString ExtractError = QStringLiteral("Error extracting info from config file. ");
const QString SaveError = QStringLiteral("Error saving file ");
const QByteArray Header =
    QByteArrayLiteral("#Moravelle KORVEX configuration file\r\n#File written 01/02/2024 10:00:00\r\n\r\n");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Line 2 carries the time of writing; everything else must match byte for byte.
QByteArray maskDateLine(QByteArray bytes)
{
    const qsizetype start = bytes.indexOf("\r\n") + 2;
    const qsizetype end = bytes.indexOf("\r\n", start);
    return bytes.replace(start, end - start, "#File written <masked>");
}

// An input that never ends, like a device file.
class EndlessDevice : public QIODevice
{
public:
    explicit EndlessDevice(QByteArray pattern) : m_pattern(std::move(pattern)) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        for (qint64 i = 0; i < maxSize; ++i)
            data[i] = m_pattern.at(m_next++ % m_pattern.size());
        return maxSize;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_pattern;
    qint64 m_next = 0;
};

} // namespace

Q_DECLARE_METATYPE(RowList)

class tst_CfgFileCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveWithoutNameCreatesNothing();
    void savedFileMatchesFixture();
    void savedFileIsDatedNow();
    void overwriteAnswer_data();
    void overwriteAnswer();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void saveAs_data();
    void saveAs();

    void roundTripKeepsEveryRow();
    void openAppliesRecords_data();
    void openAppliesRecords();
    void openShowsFileNamePart_data();
    void openShowsFileNamePart();
    void openCancelledChangesNothing();
    void openFailure_data();
    void openFailure();
    void recordsAppearWhileLoading();

    void hugeLineStopsReading();
    void largeFileLoadsCompletely();
    void endlessInputStops_data();
    void endlessInputStops();

private:
    void prefillRows();
    void fillRows(const RowList &rows);
    void verifyRows(const RowList &changed);
    QString writeFile(const QString &name, const QByteArray &bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainModel> m_model;
    std::unique_ptr<RecordingPrompter> m_prompter;
    std::unique_ptr<KeyStringChecker> m_checker;
    std::unique_ptr<ScriptedFileDialogs> m_dialogs;
    std::unique_ptr<FakeWaiter> m_waiter;
    std::unique_ptr<CfgFileCommands> m_commands;
};

void tst_CfgFileCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_model = std::make_unique<MainModel>();
    m_prompter = std::make_unique<RecordingPrompter>();
    m_checker = std::make_unique<KeyStringChecker>(m_model->rows(), *m_prompter);
    m_dialogs = std::make_unique<ScriptedFileDialogs>();
    m_waiter = std::make_unique<FakeWaiter>();
    m_commands = std::make_unique<CfgFileCommands>(*m_model, *m_prompter, *m_dialogs, *m_waiter);
    m_model->setText(MainModel::Text::CfgLabel, QStringLiteral("None"));
    AppSettings.CurrentFile.clear();
}

void tst_CfgFileCommands::cleanup()
{
    m_commands.reset();
    m_checker.reset();
    AppSettings.CurrentFile.clear();
}

// Every row holds something, so that a row a file does not name can be seen
// to keep it, and shows the check mark, so that resetting the icons shows.
void tst_CfgFileCommands::prefillRows()
{
    KeyRows &rows = m_model->rows();
    for (int i = 0; i < RowCount; ++i) {
        rows.setKeyName(i, "K" + QByteArray::number(i));
        rows.setKeyString(i, "S" + QByteArray::number(i));
        rows.setDescription(i, "D" + QByteArray::number(i));
        rows.setIcon(i, RowIcon::CheckMark);
    }
    m_prompter->clear();
}

void tst_CfgFileCommands::fillRows(const RowList &contents)
{
    for (const RowContents &row : contents) {
        m_model->rows().setKeyName(row.index, row.key);
        m_model->rows().setKeyString(row.index, row.string);
        m_model->rows().setDescription(row.index, row.description);
    }
}

// Rows in changed hold what they say; every other row kept its prefilled
// contents.
void tst_CfgFileCommands::verifyRows(const RowList &changed)
{
    for (int i = 0; i < RowCount; ++i) {
        RowContents expected{i, "K" + QByteArray::number(i), "S" + QByteArray::number(i),
                             "D" + QByteArray::number(i)};
        for (const RowContents &row : changed) {
            if (row.index == i)
                expected = row;
        }
        const KeyRows &rows = m_model->rows();
        QCOMPARE(rows.keyName(i), expected.key);
        QCOMPARE(rows.keyString(i), expected.string);
        QCOMPARE(rows.description(i), expected.description);
    }
}

QString tst_CfgFileCommands::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    if (!writeAll(path, bytes))
        qFatal("cannot write test file");
    return path;
}

// ---- Save ----------------------------------------------------------------

void tst_CfgFileCommands::saveWithoutNameCreatesNothing()
{
    m_commands->FSave_Click();

    QCOMPARE(m_prompter->messages(), QStringList{QStringLiteral("No filename entered")});
    QVERIFY(m_prompter->questions().isEmpty());
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

void tst_CfgFileCommands::savedFileMatchesFixture()
{
    fillRows({{0, "ESC", "AB{0D}", "first\r\nsecond"},
              {2, "F1", "{C7}", "abc"},
              {5, "", "xyz", ""},
              {15, "F12", "\xe9{}", "caf\xe9\tsteps\n"}});
    AppSettings.CurrentFile = m_dir->filePath(QStringLiteral("rows.cfg"));

    m_commands->FSave_Click();

    QCOMPARE(m_prompter->messages(), QStringList{QStringLiteral("Save Successful")});
    const QByteArray expected = readAll(QFINDTESTDATA("data/expected.cfg"));
    QCOMPARE(maskDateLine(readAll(AppSettings.CurrentFile)), expected);
}

void tst_CfgFileCommands::savedFileIsDatedNow()
{
    AppSettings.CurrentFile = m_dir->filePath(QStringLiteral("dated.cfg"));
    const QDateTime before = QDateTime::currentDateTime();
    m_commands->FSave_Click();
    const QDateTime after = QDateTime::currentDateTime();

    const QList<QByteArray> lines = readAll(AppSettings.CurrentFile).split('\n');
    QVERIFY(lines.size() > 2);
    const QByteArray dateLine = lines.at(1);
    const QByteArray prefix = "#File written ";
    QVERIFY(dateLine.startsWith(prefix));
    const QByteArray written = dateLine.mid(prefix.size()).chopped(1);
    QVERIFY2(written == CfgWrittenAt(before, QLocale::system()) ||
                 written == CfgWrittenAt(after, QLocale::system()),
             written.constData());
}

void tst_CfgFileCommands::overwriteAnswer_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No leaves the file byte for byte") << false;
    QTest::newRow("Yes rewrites it") << true;
}

void tst_CfgFileCommands::overwriteAnswer()
{
    QFETCH(bool, yes);
    const QByteArray old = "old contents\r\nwithout\ta header\r\n";
    AppSettings.CurrentFile = writeFile(QStringLiteral("old.cfg"), old);
    fillRows({{3, "F4", "abc", "new"}});
    m_prompter->clear();
    m_prompter->answers = {yes};

    m_commands->FSave_Click();

    QCOMPARE(m_prompter->questions(), QStringList{OverwriteQuestion});
    const QByteArray now = readAll(AppSettings.CurrentFile);
    if (yes) {
        QCOMPARE(m_prompter->messages(), QStringList{QStringLiteral("Save Successful")});
        QVERIFY(now.startsWith(CfgHeaderLine + "\r\n"));
        QVERIFY(now.contains("\r\n04\tF4\tabc\tnew\r\n"));
    } else {
        QVERIFY(m_prompter->messages().isEmpty());
        QCOMPARE(now, old);
    }
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("old.cfg")});
}

void tst_CfgFileCommands::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("name is a folder") << QStringLiteral("folder");
    QTest::newRow("folder does not exist") << QStringLiteral("missing folder");
    QTest::newRow("folder is a regular file") << QStringLiteral("under file");
    QTest::newRow("file system refuses new files") << QStringLiteral("proc");
    QTest::newRow("disk full while writing") << QStringLiteral("full");
}

void tst_CfgFileCommands::failedSaveKeepsOldFile()
{
    QFETCH(QString, how);
    const QByteArray old = "the previous rows\r\n";
    const QString oldPath = writeFile(QStringLiteral("keep.cfg"), old);
    QString path;
    if (how == QLatin1String("folder")) {
        path = m_dir->filePath(QStringLiteral("sub.cfg"));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub.cfg")));
    } else if (how == QLatin1String("missing folder")) {
        path = m_dir->filePath(QStringLiteral("nowhere/new.cfg"));
    } else if (how == QLatin1String("under file")) {
        path = oldPath + QStringLiteral("/new.cfg");
    } else if (how == QLatin1String("proc")) {
        path = QStringLiteral("/proc/korvex-test.cfg");
    } else {
        path = oldPath;
    }
    const QStringList entriesBefore = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    fillRows({{0, "F1", "ABCDEF", "a description long enough to pass the size limit"}});
    m_prompter->clear();
    AppSettings.CurrentFile = path;

    if (how == QLatin1String("full")) {
        // Writing past the file size limit fails like a full disk does.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        auto *oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        m_commands->FSave_Click();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    } else {
        m_commands->FSave_Click();
    }

    const QStringList messages = m_prompter->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(SaveError + path + QStringLiteral(": ")),
             qPrintable(messages.first()));
    QVERIFY2(messages.first().size() > SaveError.size() + path.size() + 3, "the reason is missing");
    QCOMPARE(readAll(oldPath), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), entriesBefore);
}

void tst_CfgFileCommands::saveAs_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<int>("questionsAsked");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("becomesCurrent");
    QTest::addColumn<bool>("written");

    const QStringList success{QStringLiteral("Save Successful")};
    QTest::newRow("cancel ends silently")
        << true << QString() << false << QList<bool>{} << 0 << QStringList{} << false << false;
    QTest::newRow("empty name") << false << QString() << false << QList<bool>{} << 0
                                << QStringList{QStringLiteral("No filename entered")} << false << false;
    QTest::newRow("new file asks nothing")
        << false << QStringLiteral("new.cfg") << false << QList<bool>{} << 0 << success << true << true;
    QTest::newRow("existing file asked twice, Yes Yes")
        << false << QStringLiteral("old.cfg") << true << QList<bool>{true, true} << 2 << success << true
        << true;
    QTest::newRow("second No keeps the file but takes the name")
        << false << QStringLiteral("old.cfg") << true << QList<bool>{true, false} << 2 << QStringList{}
        << true << false;
    QTest::newRow("first No changes nothing") << false << QStringLiteral("old.cfg") << true
                                              << QList<bool>{false} << 1 << QStringList{} << false << false;
}

void tst_CfgFileCommands::saveAs()
{
    QFETCH(bool, cancel);
    QFETCH(QString, name);
    QFETCH(bool, exists);
    QFETCH(QList<bool>, answers);
    QFETCH(int, questionsAsked);
    QFETCH(QStringList, messages);
    QFETCH(bool, becomesCurrent);
    QFETCH(bool, written);

    const QByteArray old = "old\r\n";
    const QString path = name.isEmpty() ? QString() : m_dir->filePath(name);
    if (exists)
        writeFile(name, old);
    const QString previous = m_dir->filePath(QStringLiteral("previous.cfg"));
    AppSettings.CurrentFile = previous;
    m_model->setText(MainModel::Text::CfgLabel, QStringLiteral("previous.cfg"));
    if (cancel)
        m_dialogs->saveNames = {std::nullopt};
    else
        m_dialogs->saveNames = {path};
    m_prompter->answers = answers;

    m_commands->SaveAs_Click();

    QCOMPARE(m_prompter->questions(), QStringList(questionsAsked, OverwriteQuestion));
    QCOMPARE(m_prompter->messages(), messages);
    QCOMPARE(AppSettings.CurrentFile, becomesCurrent ? path : previous);
    QCOMPARE(m_model->text(MainModel::Text::CfgLabel), QStringLiteral("previous.cfg"));
    if (!path.isEmpty()) {
        const QByteArray now = readAll(path);
        if (written)
            QVERIFY(now.startsWith(CfgHeaderLine));
        else if (exists)
            QCOMPARE(now, old);
        else
            QVERIFY(!QFile::exists(path));
    }
    QVERIFY(!QFile::exists(previous));
}

// ---- Open ----------------------------------------------------------------

void tst_CfgFileCommands::roundTripKeepsEveryRow()
{
    // Every notation form, empty fields, 8-bit text and descriptions with
    // line breaks and TABs; what comes back is what was shown, except that a
    // line break or TAB in a description comes back as a space.
    const RowList saved{
        {0, "A", "A", "plain"},
        {1, "F1", "{C7}", "line one\r\nline two"},
        {2, "F2", "{7}", "one\ntwo\nthree"},
        {3, "F3", "{}", "tab\there"},
        {4, "F4", "}", "caf\xe9 \xff"},
        {5, "F5", "AB{C", ""},
        {6, "F6", "{01}{02}{03}{04}{05}{06}", "six groups"},
        {7, "F7", "ABCDEF", "  leading spaces"},
        {8, "\xe9", "\xe9\xff", "#not a comment"},
        {9, "F9", " x ", "spaces in the string"},
        {10, "F10", "", "no string"},
        {11, "", "Q", "no key"},
        {12, "F12", "#", ""},
        {13, "NUM 1", "{0D}{0A}", "crlf\r"},
        {14, "F14", "{FF}~|", "x"},
        {15, "", "", ""},
    };
    fillRows(saved);
    AppSettings.CurrentFile = m_dir->filePath(QStringLiteral("trip.cfg"));
    m_commands->FSave_Click();
    QCOMPARE(m_prompter->messages(), QStringList{QStringLiteral("Save Successful")});

    prefillRows();
    m_dialogs->openNames = {AppSettings.CurrentFile};
    m_commands->FOpen_Click();

    RowList expected = saved;
    expected[1].description = "line one line two";
    expected[2].description = "one two three";
    expected[3].description = "tab here";
    expected[13].description = "crlf"; // the space left by the CR ends the line and is trimmed
    QVERIFY(m_prompter->prompts().isEmpty());
    verifyRows(expected);
    for (int i = 0; i < RowCount; ++i)
        QCOMPARE(m_model->rows().icon(i), RowIcon::QuestionMark);
    QCOMPARE(m_model->rows().lengthCaption(6), QStringLiteral("6"));
    QCOMPARE(m_model->rows().lengthCaption(5), QStringLiteral("2"));
}

void tst_CfgFileCommands::openAppliesRecords_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<RowList>("changed");
    QTest::addColumn<QStringList>("messages");

    const QStringList none;
    auto outOfRange = [](const char *number) {
        return QStringList{
            ExtractError +
            QStringLiteral("row number %1 is not between 1 and 16").arg(QLatin1String(number))};
    };

    QTest::newRow("record after the header") << Header + "03\tF1\t{C7}\tabc\r\n"
                                             << RowList{{2, "F1", "{C7}", "abc"}} << none;
    QTest::newRow("record without any header")
        << QByteArray("03\tF1\t{C7}\tabc\r\n") << RowList{{2, "F1", "{C7}", "abc"}} << none;
    QTest::newRow("spaces around the line trimmed")
        << QByteArray("  05\tF2\tab\tx  \r\n") << RowList{{4, "F2", "ab", "x"}} << none;
    QTest::newRow("two fields change only the key")
        << QByteArray("07\tF9\r\n") << RowList{{6, "F9", "S6", "D6"}} << none;
    QTest::newRow("three fields keep the description")
        << QByteArray("07\tF9\tzz\r\n") << RowList{{6, "F9", "zz", "D6"}} << none;
    QTest::newRow("empty record clears the row")
        << QByteArray("03\t\t\t\r\n") << RowList{{2, "", "", ""}} << none;
    QTest::newRow("string without a key stays a string")
        << QByteArray("06\t\txyz\t\r\n") << RowList{{5, "", "xyz", ""}} << none;
    QTest::newRow("fields after the fourth ignored")
        << QByteArray("01\ta\tb\tc\td\r\n") << RowList{{0, "a", "b", "c"}} << none;
    QTest::newRow("later record for the same row wins")
        << QByteArray("01\tA\tx\r\n01\tB\r\n") << RowList{{0, "B", "x", "D0"}} << none;
    QTest::newRow("bare LF ends lines")
        << QByteArray("01\tA\n02\tB\n") << RowList{{0, "A", "S0", "D0"}, {1, "B", "S1", "D1"}} << none;
    QTest::newRow("last line without line end")
        << QByteArray("01\tA\r\n02\tB") << RowList{{0, "A", "S0", "D0"}, {1, "B", "S1", "D1"}} << none;
    QTest::newRow("comments and empty lines only")
        << QByteArray("#x\r\n# y\t01\tF1\r\n\r\n   \r\n  #\t02\tF2\r\n") << RowList{} << none;
    QTest::newRow("line without TAB ignored") << QByteArray("01 F1 ab\r\n") << RowList{} << none;

    QTest::newRow("17 rejected, next record applied")
        << QByteArray("17\tF1\tx\ty\r\n01\tF2\r\n") << RowList{{0, "F2", "S0", "D0"}} << outOfRange("17");
    QTest::newRow("00 rejected") << QByteArray("00\tF1\r\n") << RowList{} << outOfRange("00");
    QTest::newRow("negative rejected") << QByteArray("-3\tF1\r\n") << RowList{} << outOfRange("-3");
    QTest::newRow("each rejected record reported")
        << QByteArray("99\tA\r\n0\tB\r\n") << RowList{} << (outOfRange("99") + outOfRange("0"));
    QTest::newRow("letters skipped silently") << QByteArray("ab\tF1\tx\r\n") << RowList{} << none;
    QTest::newRow("empty row number skipped silently") << QByteArray("\tF1\tx\r\n") << RowList{} << none;
    QTest::newRow("number with trailing text skipped") << QByteArray("3x\tF1\r\n") << RowList{} << none;

    QTest::newRow("2.5 is row 2 (half to even)")
        << QByteArray("2.5\tF3\r\n") << RowList{{1, "F3", "S1", "D1"}} << none;
    QTest::newRow("3.5 is row 4 (half to even)")
        << QByteArray("3.5\tF3\r\n") << RowList{{3, "F3", "S3", "D3"}} << none;
    QTest::newRow("16.5 is above 16 before rounding") << QByteArray("16.5\tF3\r\n") << RowList{} << outOfRange("16.5");
    QTest::newRow("15.5 is row 16 (half to even)")
        << QByteArray("15.5\tF3\r\n") << RowList{{15, "F3", "S15", "D15"}} << none;
    QTest::newRow("16.6 is rejected") << QByteArray("16.6\tF3\r\n") << RowList{} << outOfRange("16.6");
    QTest::newRow("0.5 is rejected") << QByteArray("0.5\tF3\r\n") << RowList{} << outOfRange("0.5");
    QTest::newRow("signed number with spaces")
        << QByteArray(" +4 \tF4\r\n") << RowList{{3, "F4", "S3", "D3"}} << none;

    QTest::newRow("bad group checked as typed")
        << QByteArray("01\tF1\t{c7}\tx\r\n") << RowList{{0, "F1", "{", "x"}}
        << QStringList{QStringLiteral("{c7} only 2 HEX chars allowed within brackets (like {C7})")};
    QTest::newRow("over-long string cut as typed")
        << QByteArray("04\tF1\tABCDEFG\tx\r\n") << RowList{{3, "F1", "ABCDEF", "x"}}
        << QStringList{
               QStringLiteral("String entered for item # 4 is too long .. max string length is 6 chars")};
}

void tst_CfgFileCommands::openAppliesRecords()
{
    QFETCH(QByteArray, file);
    QFETCH(RowList, changed);
    QFETCH(QStringList, messages);

    prefillRows();
    const QString path = writeFile(QStringLiteral("in.cfg"), file);
    m_dialogs->openNames = {path};

    m_commands->FOpen_Click();

    QCOMPARE(m_prompter->messages(), messages);
    verifyRows(changed);
    for (int i = 0; i < RowCount; ++i) {
        QCOMPARE(m_model->rows().icon(i), RowIcon::QuestionMark);
        // The length label follows whatever string the row ended with.
        QCOMPARE(m_model->rows().lengthCaption(i),
                 QString::number(ScanKeyString(m_model->rows().keyString(i)).units));
    }
    QCOMPARE(AppSettings.CurrentFile, path);
    QCOMPARE(m_model->text(MainModel::Text::CfgLabel), QStringLiteral("in.cfg"));
}

void tst_CfgFileCommands::openShowsFileNamePart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");
    QTest::newRow("slash path") << QStringLiteral("/no/such/dir/keys.cfg") << QStringLiteral("keys.cfg");
    QTest::newRow("backslash path") << QStringLiteral("C:\\cfg\\mine.cfg") << QStringLiteral("mine.cfg");
    QTest::newRow("mixed separators") << QStringLiteral("/a\\b/c\\last.cfg") << QStringLiteral("last.cfg");
    QTest::newRow("bare name") << QStringLiteral("plain.cfg") << QStringLiteral("plain.cfg");
}

void tst_CfgFileCommands::openShowsFileNamePart()
{
    QFETCH(QString, name);
    QFETCH(QString, label);
    m_dialogs->openNames = {name};

    m_commands->FOpen_Click();

    // None of these exist: the label and current name change all the same.
    QCOMPARE(m_model->text(MainModel::Text::CfgLabel), label);
    QCOMPARE(AppSettings.CurrentFile, name);
    QCOMPARE(m_prompter->messages().size(), 1);
}

void tst_CfgFileCommands::openCancelledChangesNothing()
{
    prefillRows();
    AppSettings.CurrentFile = QStringLiteral("/before.cfg");
    m_dialogs->openNames = {std::nullopt};

    m_commands->FOpen_Click();

    QVERIFY(m_prompter->prompts().isEmpty());
    QCOMPARE(AppSettings.CurrentFile, QStringLiteral("/before.cfg"));
    QCOMPARE(m_model->text(MainModel::Text::CfgLabel), QStringLiteral("None"));
    QCOMPARE(m_model->rows().icon(0), RowIcon::CheckMark);
}

void tst_CfgFileCommands::openFailure_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("file does not exist") << QStringLiteral("missing");
    QTest::newRow("name is a folder") << QStringLiteral("folder");
    QTest::newRow("pipe that nobody writes") << QStringLiteral("fifo");
    QTest::newRow("device that never ends") << QStringLiteral("/dev/zero");
    QTest::newRow("random device") << QStringLiteral("/dev/urandom");
    QTest::newRow("contents that cannot be read") << QStringLiteral("/proc/self/mem");
}

void tst_CfgFileCommands::openFailure()
{
    QFETCH(QString, how);
    QString path = how;
    if (how == QLatin1String("missing")) {
        path = m_dir->filePath(QStringLiteral("missing.cfg"));
    } else if (how == QLatin1String("folder")) {
        path = m_dir->filePath(QStringLiteral("folder.cfg"));
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.cfg")));
    } else if (how == QLatin1String("fifo")) {
        path = m_dir->filePath(QStringLiteral("pipe.cfg"));
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    prefillRows();
    m_dialogs->openNames = {path};

    m_commands->FOpen_Click();

    const QStringList messages = m_prompter->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(OpenError + path + QStringLiteral(": ")),
             qPrintable(messages.first()));
    QVERIFY2(messages.first().size() > OpenError.size() + path.size() + 3, "the reason is missing");
    verifyRows({});
    QCOMPARE(m_model->rows().icon(0), RowIcon::CheckMark);
    QCOMPARE(AppSettings.CurrentFile, path);
    QCOMPARE(m_model->text(MainModel::Text::CfgLabel), path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
}

void tst_CfgFileCommands::recordsAppearWhileLoading()
{
    QList<QByteArray> seen;
    m_waiter->onPump = [&] { seen.append(m_model->rows().keyName(0)); };
    m_dialogs->openNames = {writeFile(QStringLiteral("two.cfg"), "01\tFIRST\r\n01\tSECOND\r\n")};

    m_commands->FOpen_Click();

    // The window gets to draw the first record before the second replaces it.
    QVERIFY(seen.contains("FIRST"));
    QCOMPARE(seen.last(), QByteArray("SECOND"));
}

// ---- Bounds --------------------------------------------------------------

void tst_CfgFileCommands::hugeLineStopsReading()
{
    // A 4 GiB file of one line (sparse, so it costs no disk) is refused after
    // the first megabyte, with the default limits.
    const QString path = writeFile(QStringLiteral("huge.cfg"), "01\tA\r\n");
    QFile file(path);
    QVERIFY(file.resize(qint64(4) << 30));
    file.close();
    m_dialogs->openNames = {path};

    m_commands->FOpen_Click();

    QCOMPARE(m_prompter->messages(),
             QStringList{ExtractError +
                         QStringLiteral("line 2 is longer than %1 bytes, which no configuration file "
                                        "has; nothing from that line on was read")
                             .arg(m_commands->readLimits().maxLineBytes)});
    QCOMPARE(m_model->rows().keyName(0), QByteArray("A"));
    QCOMPARE(m_model->rows().icon(15), RowIcon::QuestionMark);
}

void tst_CfgFileCommands::largeFileLoadsCompletely()
{
    // A file larger than the bound for inputs of unknown size is still read
    // to its end.
    m_commands->setReadLimits({64, 1024});
    QByteArray bytes;
    for (int i = 0; i < 500; ++i)
        bytes += "01\tK" + QByteArray::number(i) + "\r\n";
    bytes += "16\tLAST\r\n";
    QVERIFY(bytes.size() > 4 * 1024);
    m_dialogs->openNames = {writeFile(QStringLiteral("large.cfg"), bytes)};

    m_commands->FOpen_Click();

    QVERIFY(m_prompter->messages().isEmpty());
    QCOMPARE(m_model->rows().keyName(0), QByteArray("K499"));
    QCOMPARE(m_model->rows().keyName(15), QByteArray("LAST"));
}

void tst_CfgFileCommands::endlessInputStops_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<qint64>("maxInput");
    QTest::addColumn<QString>("message");

    const qint64 maxLine = CfgReadLimits().maxLineBytes;
    QTest::newRow("endless records stop at the input bound")
        // Nine-byte records: the 445th passes 4000 bytes, the 446th is refused.
        << QByteArray("01\tF1\tx\r\n") << qint64(4000)
        << ExtractError +
               QStringLiteral("the input has not ended after 4005 bytes; nothing from line 446 on was read");
    QTest::newRow("endless zeros stop at the line bound")
        << QByteArray(1, '\0') << CfgReadLimits().minInputBytes
        << ExtractError + QStringLiteral("line 1 is longer than %1 bytes, which no configuration file has; "
                                         "nothing from that line on was read")
                              .arg(maxLine);
}

void tst_CfgFileCommands::endlessInputStops()
{
    QFETCH(QByteArray, pattern);
    QFETCH(qint64, maxInput);
    QFETCH(QString, message);

    m_commands->setReadLimits({CfgReadLimits().maxLineBytes, maxInput});
    EndlessDevice device(pattern);
    QVERIFY(device.open(QIODevice::ReadOnly));

    m_commands->ReadCfgRecords(device, 0);

    QCOMPARE(m_prompter->messages(), QStringList{message});
}

QTEST_GUILESS_MAIN(tst_CfgFileCommands)
#include "tst_cfgfilecommands.moc"
