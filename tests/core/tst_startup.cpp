#include "core/AppSettings.h"
#include "core/KeyTable.h"
#include "core/MainModel.h"
#include "core/StartUp.h"
#include "support/RecordingPrompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_StartUp : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        AppSettings = AppSettingsRecord{};
        AppSettings.CurrentFile = QStringLiteral("left over");
        KeyTable = {};
    }

    void settings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<int>("enableStrings");
        QTest::addColumn<QStringList>("messageStarts");

        const QStringList none;
        const QString error = QStringLiteral("Error detected - ");
        QTest::newRow("no file: defaults") << QByteArray() << 1 << QStringLiteral("9600") << QStringLiteral("N") << 0
                                           << none;
        QTest::newRow("only PORT=3") << QByteArray("[COMSETTINGS]\nPORT=3\n") << 3 << QStringLiteral("9600")
                                     << QStringLiteral("N") << 0 << none;
        QTest::newRow("all four") << QByteArray("[COMSETTINGS]\nPORT=2\nBAUD=19200\nPARITY=E\n[GENERAL]\nENABLESTRINGS=1\n")
                                  << 2 << QStringLiteral("19200") << QStringLiteral("E") << 1 << none;
        QTest::newRow("empty baud stays empty") << QByteArray("[COMSETTINGS]\nBAUD=\n") << 1 << QString()
                                                << QStringLiteral("N") << 0 << none;
        QTest::newRow("PORT= reported, only it defaults")
            << QByteArray("[COMSETTINGS]\nPORT=\nBAUD=4800\n[GENERAL]\nENABLESTRINGS=1\n") << 1
            << QStringLiteral("4800") << QStringLiteral("N") << 1 << QStringList{error};
        QTest::newRow("PORT=x reported") << QByteArray("[COMSETTINGS]\nPORT=x\nPARITY=O\n") << 1
                                         << QStringLiteral("9600") << QStringLiteral("O") << 0 << QStringList{error};
        QTest::newRow("ENABLESTRINGS=70000 overflows")
            << QByteArray("[COMSETTINGS]\nPORT=4\n[GENERAL]\nENABLESTRINGS=70000\n") << 4 << QStringLiteral("9600")
            << QStringLiteral("N") << 0 << QStringList{error};
        QTest::newRow("both bad: two messages") << QByteArray("[COMSETTINGS]\nPORT=x\n[GENERAL]\nENABLESTRINGS=y\n")
                                                << 1 << QStringLiteral("9600") << QStringLiteral("N") << 0
                                                << QStringList{error, error};
        QTest::newRow("half rounds to even") << QByteArray("[COMSETTINGS]\nPORT=2.5\n") << 2 << QStringLiteral("9600")
                                             << QStringLiteral("N") << 0 << none;
    }

    void settings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, port);
        QFETCH(QString, baud);
        QFETCH(QString, parity);
        QFETCH(int, enableStrings);
        QFETCH(QStringList, messageStarts);

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Korvex.ini"));
        if (!ini.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(ini);
        }
        MainModel model;
        RecordingPrompter prompter;
        int setups = 0;
        AppSettingsRecord seenBySetup;
        FormLoad(model, prompter, path, [&] {
            ++setups;
            seenBySetup = AppSettings;
        });

        QCOMPARE(AppSettings.Port, port);
        QCOMPARE(AppSettings.Baud, baud);
        QCOMPARE(AppSettings.Parity, parity);
        QCOMPARE(AppSettings.EnableStrings, enableStrings);
        QVERIFY(AppSettings.CurrentFile.isEmpty());
        QCOMPARE(model.text(MainModel::Text::Caption), QStringLiteral("KORVEX CONFIG v1.07"));
        QCOMPARE(model.descriptionBoxSize(), QSize(5000, 1090));

        const QStringList messages = prompter.messages();
        QCOMPARE(messages.size(), messageStarts.size());
        for (int i = 0; i < messages.size(); ++i) {
            QVERIFY2(messages[i].startsWith(messageStarts[i]), qPrintable(messages[i]));
            QVERIFY2(messages[i].contains(path), "the message names the file to fix");
        }

        // A bad value never stops the rest of start-up: the port is set up
        // with every value already read, and the key table is built.
        QCOMPARE(setups, 1);
        QCOMPARE(seenBySetup.Port, port);
        QCOMPARE(seenBySetup.Baud, baud);
        QCOMPARE(KeyTable[39].KeyName, QByteArray("ENTER"));
        QCOMPARE(KeyTable[57].Scancode, 0x83);
        QVERIFY(KeyTable[64].KeyName.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_StartUp)
#include "tst_startup.moc"
