#include "RecordingPrompter.h"
#include "TestFiles.h"
#include "core/IniFile.h"
#include "core/SettingsFile.h"
#include "core/SettingsLocation.h"
#include "core/Waiter.h"
#include "ui/model/MainModel.h"
#include "ui/model/StartUp.h"

#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <optional>

using namespace Qt::StringLiterals;

// Why a save of Korvex.ini fails.
enum Fault { DiskFull, WriteOnly, FarTooLarge, HeldSharingNothing, HeldSharingReadWrite, ReadOnly };

// Korvex.ini, start-up from it, and ending the real waiter's waits.
class tst_Core : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(u"Korvex.ini"_s); }
    void setContent(const QByteArray &content)
    {
        QFile::remove(path());
        if (!content.isNull())
            writeFile(path(), content);
    }

private slots:
    void readThenWrite_data()
    {
        // What [COMSETTINGS] PORT reads as, and the file once PORT=v is written.
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QByteArray>("written");
        const QByteArray plain = "[COMSETTINGS]\nPORT=v\n";
        QTest::newRow("no file") << QByteArray() << u"dflt"_s << plain;
        QTest::newRow("key absent: joins its section, CR LF kept")
            << "[COMSETTINGS]\r\nBAUD=1\r\n\r\n[GENERAL]\r\nX=0\r\n"_ba << u"dflt"_s
            << "[COMSETTINGS]\r\nBAUD=1\r\nPORT=v\r\n\r\n[GENERAL]\r\nX=0\r\n"_ba;
        QTest::newRow("key in another section: new section after a blank line")
            << "[GENERAL]\nPORT=9"_ba << u"dflt"_s << "[GENERAL]\nPORT=9\n\n[COMSETTINGS]\nPORT=v\n"_ba;
        QTest::newRow("present empty stays empty") << "[COMSETTINGS]\nPORT=\n"_ba << QString() << plain;
        QTest::newRow("names without case, blanks around =; replaced in place, the rest kept")
            << "; mine\n[ComSettings]\n port \t= 5 \nBAUD=9600\n[PORTS]\nCOM1=/dev/x\n"_ba << u"5"_s
            << "; mine\n[ComSettings]\nPORT=v\nBAUD=9600\n[PORTS]\nCOM1=/dev/x\n"_ba;
        QTest::newRow("no list, escape or unquoting")
            << "[COMSETTINGS]\nPORT=\"a,b\\n\"\n"_ba << u"\"a,b\\n\""_s << plain;
        QTest::newRow("8-bit text is Latin-1") << "[COMSETTINGS]\nPORT=\xe9\n"_ba << u"\u00e9"_s << plain;
        QTest::newRow("cut to 1023") << "[COMSETTINGS]\nPORT=" + QByteArray(2000, 'x') << QString(1023, u'x')
                                     << plain;
        QTest::newRow("a byte-order mark is skipped, and kept")
            << "\xEF\xBB\xBF[COMSETTINGS]\r\nPORT=5\r\n"_ba << u"5"_s
            << "\xEF\xBB\xBF[COMSETTINGS]\r\nPORT=v\r\n"_ba;
        QTest::newRow("CR alone ends a line; every other line keeps its own end")
            << "[GENERAL]\rX=1\n[COMSETTINGS]\r\nPORT=5\r"_ba << u"5"_s
            << "[GENERAL]\rX=1\n[COMSETTINGS]\r\nPORT=v\r"_ba;
    }
    void readThenWrite()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, read);
        QFETCH(QByteArray, written);
        setContent(before);
        QCOMPARE(ReadINI(path(), u"COMSETTINGS"_s, u"PORT"_s, u"dflt"_s), read);
        for (int twice = 0; twice < 2; ++twice) // the second write finds the file as it wants it
            QVERIFY(WriteINI(path(), u"COMSETTINGS"_s, u"PORT"_s, u"v"_s));
        QCOMPARE(readFile(path()), written);
    }

    void failedWriteLeavesTheFile_data()
    {
        QTest::addColumn<Fault>("fault");
#ifdef Q_OS_WIN
        // Windows refuses to replace a file that another program holds open
        // without letting others delete it, which is how most programs hold
        // files, and a file marked read-only.
        QTest::newRow("file open in another program that shares nothing") << HeldSharingNothing;
        QTest::newRow("file open in another program that lets others read and write") << HeldSharingReadWrite;
        QTest::newRow("read-only file") << ReadOnly;
#else
        QTest::newRow("disk full while writing") << DiskFull;
        QTest::newRow("file that can be written but not read") << WriteOnly;
#endif
        QTest::newRow("file far too large to be a settings file") << FarTooLarge;
    }
    void failedWriteLeavesTheFile()
    {
        // The user's mapping and comments must survive any failed save.
        QFETCH(Fault, fault);
        const QByteArray before = "; mine\n[PORTS]\nCOM1=/dev/ttyUSB7\n[COMSETTINGS]\nPORT=2\n" +
                                  (fault == FarTooLarge ? QByteArray(2 << 20, '#') + '\n' : QByteArray());
        setContent(before);
        QString why;
        bool written = false;
        {
#ifdef Q_OS_WIN
            std::optional<HeldOpen> held;
            if (fault == HeldSharingNothing || fault == HeldSharingReadWrite)
                held.emplace(path(), fault == HeldSharingNothing ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE);
            if (fault == ReadOnly)
                QFile::setPermissions(path(), QFile::ReadOwner);
#else
            HonourPermissions asUser;
            std::optional<FileSizeLimit> full;
            if (fault == DiskFull)
                full.emplace(16);
            if (fault == WriteOnly)
                QFile::setPermissions(path(), QFile::WriteOwner);
#endif
            written = WriteINI(path(),
                               {{u"COMSETTINGS"_s, u"PORT"_s, u"3"_s}, {u"GENERAL"_s, u"X"_s, u"1"_s}}, &why);
        }
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(!written);
        QVERIFY2(why.contains(QDir::toNativeSeparators(path())), qPrintable(why));
        QCOMPARE(readFile(path()), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"Korvex.ini"_s});
    }

    void theFileItselfIsKept()
    {
        // Its permissions survive a save, even one root may make over a
        // read-only file. (A pipe, or a link to one, is never replaced:
        // tst_cfgfilecommands, "Save: a pipe", through the same replacement;
        // nor read: keptWhereTheOperatorKeepsIt, "a pipe".)
#ifdef Q_OS_UNIX
        setContent("[GENERAL]\nX=0\n");
        for (const auto mode : {QFile::ReadOwner | QFile::WriteOwner, QFile::ReadOwner | QFile::ReadGroup}) {
            QVERIFY(QFile::setPermissions(path(), mode));
            QCOMPARE(WriteINI(path(), u"GENERAL"_s, u"X"_s, u"1"_s),
                     ::geteuid() == 0 || (mode & QFile::WriteOwner));
            QCOMPARE(QFile::permissions(path()) & 0x7077, mode); // owner, group, others
        }
#endif
        setContent("[PORTS]\nCOM1=\0/dev/ttyS0\n"_ba);
        QVERIFY(iniReadProblem(path()).contains(u"NUL bytes"_s));
    }

    void keptWhereTheOperatorKeepsIt_data()
    {
        // Korvex.ini beside the program as it is found, and the problem start-up
        // reports; the user's own file takes only a save that cannot be
        // written beside the program, and wins at the next start.
        QTest::addColumn<QString>("beside"); // what is there
        QTest::addColumn<QString>("problem");
        QTest::newRow("none, in a folder that takes files: made there") << u"none"_s << QString();
        QTest::newRow("none, and no folder to make it in: the user's own") << u"no folder"_s << QString();
#ifdef Q_OS_UNIX
        QTest::newRow("read-only in a read-only folder: read; a save goes to the user's")
            << u"read-only"_s << QString();
        QTest::newRow("a pipe: reported, not passed over") << u"fifo"_s << u"device or pipe"_s;
#endif
        QTest::newRow("a folder: reported") << u"folder"_s << u"folder"_s;
        QTest::newRow("installed: the user's own only") << u"installed"_s << QString();
    }
    void keptWhereTheOperatorKeepsIt()
    {
        QFETCH(QString, beside);
        QFETCH(QString, problem);
        QTemporaryDir top;
        const QString program = top.filePath(u"program"_s), ini = QDir(program).filePath(u"Korvex.ini"_s);
        const QString config = top.filePath(u"config"_s), user = QDir(config).filePath(u"Korvex.ini"_s);
        if (beside != u"no folder"_s)
            QDir().mkpath(program);
        if (beside == u"read-only"_s)
            writeFile(ini, "[COMSETTINGS]\nBAUD=4800\n[PORTS]\nCOM5=/dev/ttyUSB3\n");
        else if (beside == u"folder"_s)
            QDir().mkpath(ini);
        else if (beside == u"installed"_s)
            writeFile(QDir(program).filePath(InstalledMarker),
                      writeFile(ini, "[COMSETTINGS]\nBAUD=4800\n").toUtf8());
#ifdef Q_OS_UNIX
        else if (beside == u"fifo"_s)
            QCOMPARE(mkfifo(QFile::encodeName(ini).constData(), 0600), 0);
#endif
        const SettingsFile settings = programSettingsFile(program, config);
        QCOMPARE(settings.path(), beside == u"installed"_s || beside == u"no folder"_s ? user : ini);
        const SettingsRead read = settings.read();
        QVERIFY2(problem.isEmpty() ? read.unreadable.isEmpty() : read.unreadable.contains(problem),
                 qPrintable(read.unreadable));
        if (beside != u"read-only"_s)
            return;
        QCOMPARE(read.settings.Baud, u"4800"_s);
        AppSettings saved = read.settings;
        saved.Baud = u"19200"_s;
        QString why, savedTo;
        {
            const auto writable = QFile::permissions(program);
            QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadOther);
            QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
            HonourPermissions asUser;
            QVERIFY2(settings.write(saved, &why, &savedTo), qPrintable(why));
            QFile::setPermissions(program, writable);
        }
        QCOMPARE(savedTo, user);
        QCOMPARE(settings.read().settings.Baud, u"19200"_s);
        QCOMPARE(settings.ports().devices.at(5), u"/dev/ttyUSB3"_s); // the mapping is still the file's
        QCOMPARE(ReadINI(ini, u"COMSETTINGS"_s, u"BAUD"_s, {}), u"4800"_s);
    }

    void settings_data()
    {
        // What start-up reads, and the messages it shows.
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<AppSettings>("expected");
        QTest::addColumn<int>("messages");
        const QByteArray ports = "[COMSETTINGS]\nPORT=";
        const AppSettings defaults{1, u"9600"_s, u"N"_s, 0};
        QTest::newRow("no file: defaults") << QByteArray() << defaults << 0;
        QTest::newRow("all four") << ports + "2\nBAUD=19200\nPARITY=E\n[GENERAL]\nENABLESTRINGS=1"
                                  << AppSettings{2, u"19200"_s, u"E"_s, 1} << 0;
        QTest::newRow("PORT= only that value defaults")
            << ports + "\nBAUD=4800\n[GENERAL]\nENABLESTRINGS=1" << AppSettings{1, u"4800"_s, u"N"_s, 1} << 1;
        QTest::newRow("PORT=x and ENABLESTRINGS=70000")
            << ports + "x\n[GENERAL]\nENABLESTRINGS=70000" << defaults << 2;
        // Its [PORTS] is lost too: the operator must know COMn may be another device.
#ifdef Q_OS_UNIX
        QTest::newRow("a file that cannot be read: told, defaults") << "unreadable"_ba << defaults << 1;
#endif
        // A line meant to say which device a COMn is, that cannot: reported,
        // since that COMn would otherwise reach whatever the default gives.
        for (const char *ports :
             {"[PORTS]\nCOM05=/dev/x", "[PORTS]\nCOM5 /dev/x", "[PORTS]\nCOM5: /dev/x", "[PORTS\nCOM5=/dev/x",
              "[PORT]\nCOM5=/dev/x", "[PORTS]\nCOM5=", "[PORTS]\nCOM5=/dev/x\nCOM5=/dev/y"})
            QTest::addRow("%s", QByteArray(ports).replace('\n', " / ").constData())
                << QByteArray(ports) << defaults << 1;
        QTest::newRow("names as the reader takes them, and sections of the operator's own")
            << "[ ports ]\nCOM5=/dev/x\n[NOTES]\nfree text"_ba << defaults << 0;
        // Numbers as the file may hold them: blanks, signs, halves to even,
        // exponents, 16 bits; 0 stands for refused.
        // clang-format off
        const std::pair<const char *, int> numbers[] = {{"  -12 ", -12}, {"2.5", 2}, {"+3.5", 4},
            {"-2.5", -2}, {"1e1", 10}, {"-32768", -32768}, {"32768", 0}, {"1e999", 0}, {"3x", 0}, {".", 0},
            {"0x10", 0}};
        // clang-format on
        for (const auto &[value, port] : numbers)
            QTest::addRow("PORT=%s", value)
                << ports + value << AppSettings{qint16(port ? port : 1), u"9600"_s, u"N"_s, 0} << int(!port);
    }

    void settings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(AppSettings, expected);
        QFETCH(int, messages);
        const bool unreadable = ini == "unreadable";
        setContent(unreadable ? "[PORTS]\nCOM1=/dev/ttyUSB3\n"_ba : ini);
        if (unreadable)
            QFile::setPermissions(path(), QFile::WriteOwner);
        MainModel model;
        RecordingPrompter prompter;
        QList<AppSettings> seenBySetup;
        const AppSettings read = [&] {
            HonourPermissions asUser;
            return startUp(model, prompter, SettingsFile(path()),
                           [&](const AppSettings &s) { seenBySetup << s; });
        }();
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);

        QCOMPARE(read, expected);
        QCOMPARE(prompter.prompts.size(), messages);
        for (const QString &message : prompter.prompts)
            QVERIFY2(message.startsWith(u"Error detected - "_s) &&
                         message.contains(QDir::toNativeSeparators(path())),
                     qPrintable(message));
        // A bad value never stops the rest: the port is set up once with every
        // value read.
        QCOMPARE(seenBySetup, QList<AppSettings>{expected});
    }

    void realWaits()
    {
        // One shared timer: a wait started inside another restarts it, and its
        // tick ends both, or the outer one would wait for ever.
        EventLoopWaiter waiter;
        QTimer::singleShot(5, &waiter, [&] { waiter.Delay(10); });
        QTimer::singleShot(3000, &waiter, [&] { waiter.abort(); }); // only if the tick ended no wait
        QVERIFY_THROWS_NO_EXCEPTION(waiter.Delay(60000));
        // Closing the window must not sit out a long wait: abort ends it and
        // every later one.
        EventLoopWaiter closing;
        QTimer::singleShot(10, &closing, [&] { closing.abort(); });
        const QDeadlineTimer slow(30000); // a loaded machine is slow, not this slow
        QVERIFY_THROWS_EXCEPTION(OperationAborted, closing.Delay(60000));
        QVERIFY2(!slow.hasExpired(), "the wait ran to its end");
        QVERIFY_THROWS_EXCEPTION(OperationAborted, closing.Delay(1));
        QVERIFY_THROWS_EXCEPTION(OperationAborted, closing.pumpEvents());
    }
};

QTEST_GUILESS_MAIN(tst_Core)
#include "tst_core.moc"
