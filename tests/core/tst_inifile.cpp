#include "core/IniFile.h"
#include "core/SettingsLocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_IniFile : public QObject
{
    Q_OBJECT

private:
    QString writeFile(const QByteArray &content)
    {
        const QString path = m_dir.filePath(QStringLiteral("Korvex.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write fixture");
        file.write(content);
        return path;
    }
    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QString comm = QStringLiteral("COMSETTINGS");
        const QString port = QStringLiteral("PORT");
        QTest::newRow("absent file section gives default") << QByteArray() << comm << port << QStringLiteral("dflt");
        QTest::newRow("absent key gives default") << QByteArray("[COMSETTINGS]\nBAUD=4800\n") << comm << port
                                                  << QStringLiteral("dflt");
        QTest::newRow("present empty value stays empty") << QByteArray("[COMSETTINGS]\nPORT=\n") << comm << port
                                                         << QString();
        QTest::newRow("value as stored") << QByteArray("[COMSETTINGS]\r\nPORT=3\r\n") << comm << port
                                         << QStringLiteral("3");
        QTest::newRow("names match without case") << QByteArray("[ComSettings]\nport=4\n") << comm << port
                                                  << QStringLiteral("4");
        QTest::newRow("blanks around equals sign") << QByteArray("[COMSETTINGS]\n  PORT \t=  5  \n") << comm << port
                                                   << QStringLiteral("5");
        QTest::newRow("comma is no list") << QByteArray("[COMSETTINGS]\nPORT=a,b\n") << comm << port
                                          << QStringLiteral("a,b");
        QTest::newRow("backslash is no escape") << QByteArray("[COMSETTINGS]\nPORT=C:\\x\\n\n") << comm << port
                                                << QStringLiteral("C:\\x\\n");
        QTest::newRow("quotes are kept") << QByteArray("[COMSETTINGS]\nPORT=\"2\"\n") << comm << port
                                         << QStringLiteral("\"2\"");
        QTest::newRow("8-bit text is Latin-1") << QByteArray("[COMSETTINGS]\nPORT=\xe9\n") << comm << port
                                               << QStringLiteral("\u00e9");
        QTest::newRow("same key in another section ignored")
            << QByteArray("[GENERAL]\nPORT=9\n[COMSETTINGS]\nBAUD=1\n") << comm << port << QStringLiteral("dflt");
        QTest::newRow("comment lines ignored") << QByteArray("[COMSETTINGS]\n;PORT=7\n#PORT=8\nPORT=6\n") << comm
                                               << port << QStringLiteral("6");
        QTest::newRow("first of duplicate keys wins") << QByteArray("[COMSETTINGS]\nPORT=1\nPORT=2\n") << comm << port
                                                      << QStringLiteral("1");
        QTest::newRow("long value cut to 1023")
            << QByteArray("[COMSETTINGS]\nPORT=" + QByteArray(2000, 'x') + "\n") << comm << port
            << QString(1023, QLatin1Char('x'));
    }

    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString path = content.isNull() ? m_dir.filePath(QStringLiteral("missing.ini")) : writeFile(content);
        const QString value = ReadINI(path, section, key, QStringLiteral("dflt"));
        QCOMPARE(value, expected);
        QCOMPARE(value.isEmpty(), expected.isEmpty());
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("after");

        const QString comm = QStringLiteral("COMSETTINGS");
        QTest::newRow("new file") << QByteArray() << comm << QStringLiteral("PORT")
                                  << QByteArray("[COMSETTINGS]\nPORT=v\n");
        QTest::newRow("replace in place, keep the rest")
            << QByteArray("; mine\n[COMSETTINGS]\nport=1\nBAUD=9600\n[PORTS]\nCOM1=/dev/x\n") << comm
            << QStringLiteral("PORT") << QByteArray("; mine\n[COMSETTINGS]\nPORT=v\nBAUD=9600\n[PORTS]\nCOM1=/dev/x\n");
        QTest::newRow("new key goes to its own section")
            << QByteArray("[COMSETTINGS]\nPORT=1\n\n[GENERAL]\nENABLESTRINGS=0\n") << comm << QStringLiteral("BAUD")
            << QByteArray("[COMSETTINGS]\nPORT=1\nBAUD=v\n\n[GENERAL]\nENABLESTRINGS=0\n");
        QTest::newRow("new section appended after a blank line")
            << QByteArray("[COMSETTINGS]\nPORT=1\n") << QStringLiteral("GENERAL") << QStringLiteral("ENABLESTRINGS")
            << QByteArray("[COMSETTINGS]\nPORT=1\n\n[GENERAL]\nENABLESTRINGS=v\n");
        QTest::newRow("windows line ends kept") << QByteArray("[GENERAL]\r\nENABLESTRINGS=0\r\n")
                                                << QStringLiteral("GENERAL") << QStringLiteral("ENABLESTRINGS")
                                                << QByteArray("[GENERAL]\r\nENABLESTRINGS=v\r\n");
        QTest::newRow("no final line end") << QByteArray("[GENERAL]\nX=1") << QStringLiteral("GENERAL")
                                           << QStringLiteral("X") << QByteArray("[GENERAL]\nX=v\n");
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QByteArray, after);
        const QString path = m_dir.filePath(QStringLiteral("Korvex.ini"));
        QFile::remove(path);
        if (!before.isNull())
            writeFile(before);
        QVERIFY(WriteINI(path, section, key, QStringLiteral("v")));
        QCOMPARE(readFile(path), after);
        QCOMPARE(ReadINI(path, section, key, QStringLiteral("dflt")), QStringLiteral("v"));
    }

    void savingTwiceChangesNothing()
    {
        const QString path = m_dir.filePath(QStringLiteral("twice.ini"));
        const auto save = [&] {
            WriteINI(path, QStringLiteral("COMSETTINGS"), QStringLiteral("PORT"), QStringLiteral("2"));
            WriteINI(path, QStringLiteral("COMSETTINGS"), QStringLiteral("BAUD"), QStringLiteral("19200"));
            WriteINI(path, QStringLiteral("COMSETTINGS"), QStringLiteral("PARITY"), QStringLiteral("E"));
            WriteINI(path, QStringLiteral("GENERAL"), QStringLiteral("ENABLESTRINGS"), QStringLiteral("1"));
        };
        save();
        const QByteArray first = readFile(path);
        save();
        QCOMPARE(readFile(path), first);
        QCOMPARE(first, QByteArray("[COMSETTINGS]\nPORT=2\nBAUD=19200\nPARITY=E\n\n[GENERAL]\nENABLESTRINGS=1\n"));
    }

    void unwritablePathLeavesNothing()
    {
        // A regular file where a directory should be: no permission trick
        // needed, so this holds for root too.
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(!WriteINI(blocker + QStringLiteral("/Korvex.ini"), QStringLiteral("GENERAL"), QStringLiteral("X"),
                          QStringLiteral("1")));
        QVERIFY(QFileInfo(blocker).isFile());
    }

    void settingsLiveBesideTheProgramWhenPossible()
    {
        const QString config = m_dir.filePath(QStringLiteral("config"));
        QCOMPARE(settingsFilePath(m_dir.path(), config), m_dir.filePath(QStringLiteral("Korvex.ini")));
        const QString missing = m_dir.filePath(QStringLiteral("no-such-dir"));
        QCOMPARE(settingsFilePath(missing, config), QDir(config).filePath(QStringLiteral("Korvex.ini")));
        // The fallback directory is created on the first save.
        QVERIFY(WriteINI(settingsFilePath(missing, config), QStringLiteral("GENERAL"), QStringLiteral("X"),
                         QStringLiteral("1")));
        QVERIFY(QFileInfo::exists(QDir(config).filePath(QStringLiteral("Korvex.ini"))));
    }
};

QTEST_GUILESS_MAIN(tst_IniFile)
#include "tst_inifile.moc"
