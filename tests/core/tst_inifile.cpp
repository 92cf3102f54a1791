#include "core/IniFile.h"
#include "core/SettingsLocation.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_IniFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("Korvex.ini")); }
    void setContent(const QByteArray &content)
    {
        QFile::remove(path());
        QFile file(path());
        if (!content.isNull() && (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()))
            qFatal("cannot write fixture");
    }
    QByteArray content() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no file") << QByteArray() << QStringLiteral("dflt");
        QTest::newRow("key absent") << QByteArray("[COMSETTINGS]\nBAUD=4800\n") << QStringLiteral("dflt");
        QTest::newRow("key in another section") << QByteArray("[GENERAL]\nPORT=9\n") << QStringLiteral("dflt");
        QTest::newRow("present empty stays empty") << QByteArray("[COMSETTINGS]\nPORT=\n") << QString();
        QTest::newRow("names without case, blanks around =") << QByteArray("; c\n[ComSettings]\r\n port \t= 5 \r\n")
                                                             << QStringLiteral("5");
        QTest::newRow("no list, escape or unquoting") << QByteArray("[COMSETTINGS]\nPORT=\"a,b\\n\"\n")
                                                      << QStringLiteral("\"a,b\\n\"");
        QTest::newRow("8-bit text is Latin-1") << QByteArray("[COMSETTINGS]\nPORT=\xe9\n") << QStringLiteral("\u00e9");
        QTest::newRow("cut to 1023") << QByteArray("[COMSETTINGS]\nPORT=" + QByteArray(2000, 'x'))
                                     << QString(1023, QLatin1Char('x'));
    }

    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        setContent(content);
        const QString value = ReadINI(path(), QStringLiteral("COMSETTINGS"), QStringLiteral("PORT"), QStringLiteral("dflt"));
        QCOMPARE(value, expected);
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QByteArray>("after");
        const QString comm = QStringLiteral("COMSETTINGS");
        QTest::newRow("new file") << QByteArray() << comm << QByteArray("[COMSETTINGS]\nPORT=v\n");
        QTest::newRow("replaced in place, comments and other sections kept")
            << QByteArray("; mine\n[COMSETTINGS]\nport=1\nBAUD=9600\n[PORTS]\nCOM1=/dev/x\n") << comm
            << QByteArray("; mine\n[COMSETTINGS]\nPORT=v\nBAUD=9600\n[PORTS]\nCOM1=/dev/x\n");
        QTest::newRow("new key joins its section")
            << QByteArray("[COMSETTINGS]\r\nBAUD=1\r\n\r\n[GENERAL]\r\nX=0\r\n") << comm
            << QByteArray("[COMSETTINGS]\r\nBAUD=1\r\nPORT=v\r\n\r\n[GENERAL]\r\nX=0\r\n");
        QTest::newRow("new section after a blank line") << QByteArray("[COMSETTINGS]\nBAUD=1") << QStringLiteral("GENERAL")
                                                        << QByteArray("[COMSETTINGS]\nBAUD=1\n\n[GENERAL]\nPORT=v\n");
    }

    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QByteArray, after);
        setContent(before);
        QVERIFY(WriteINI(path(), section, QStringLiteral("PORT"), QStringLiteral("v")));
        QVERIFY(WriteINI(path(), section, QStringLiteral("PORT"), QStringLiteral("v"))); // twice: same file
        QCOMPARE(content(), after);
    }

    void failedWriteLeavesTheFile_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("disk full while writing") << 0;
        QTest::newRow("file that can be written but not read") << 1;
        QTest::newRow("file far too large to be a settings file") << 2;
    }
    void failedWriteLeavesTheFile()
    {
        // The user's mapping and comments must survive any failed save.
        QFETCH(int, fault);
        const QByteArray before = "; mine\n[PORTS]\nCOM1=/dev/ttyUSB7\n[COMSETTINGS]\nPORT=2\n" +
                                  (fault == 2 ? QByteArray(2 << 20, '#') + '\n' : QByteArray());
        setContent(before);
        QString why;
        bool written = false;
        {
            HonourPermissions asUser;
            if (fault == 0) {
                FileSizeLimit full(16);
                written = WriteINI(path(), {{QStringLiteral("COMSETTINGS"), QStringLiteral("PORT"), QStringLiteral("3")},
                                            {QStringLiteral("GENERAL"), QStringLiteral("ENABLESTRINGS"), QStringLiteral("1")}},
                                   &why);
            } else {
                QFile::setPermissions(path(), fault == 1 ? QFile::WriteOwner : QFile::ReadOwner | QFile::WriteOwner);
                written = WriteINI(path(), QStringLiteral("COMSETTINGS"), QStringLiteral("PORT"), QStringLiteral("3"), &why);
                QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
            }
        }
        QVERIFY(!written);
        QVERIFY2(why.contains(path()), qPrintable(why));
        QCOMPARE(content(), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Korvex.ini")});
    }

    void unwritableDirectoryFallsBackToUserConfig()
    {
        // A regular file where the directory should be stops root as well.
        setContent("x");
        QVERIFY(!WriteINI(path() + QStringLiteral("/Korvex.ini"), QStringLiteral("GENERAL"), QStringLiteral("X"),
                          QStringLiteral("1")));
        QCOMPARE(content(), QByteArray("x"));

        const QString config = m_dir.filePath(QStringLiteral("config"));
        QCOMPARE(settingsFilePath(m_dir.path(), config), path());
        const QString fallback = settingsFilePath(path(), config);
        QCOMPARE(fallback, QDir(config).filePath(QStringLiteral("Korvex.ini")));
        QVERIFY(WriteINI(fallback, QStringLiteral("GENERAL"), QStringLiteral("X"), QStringLiteral("1")));
        QCOMPARE(ReadINI(fallback, QStringLiteral("general"), QStringLiteral("x"), QString()), QStringLiteral("1"));
        // An installed program never keeps its settings beside itself.
        QFile marker(QDir(m_dir.path()).filePath(InstalledMarker));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        QCOMPARE(settingsFilePath(m_dir.path(), config), fallback);
    }
};

QTEST_GUILESS_MAIN(tst_IniFile)
#include "tst_inifile.moc"
