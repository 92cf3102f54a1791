#include "core/MainModel.h"
#include "core/SettingsFile.h"
#include "core/StartUp.h"
#include "RecordingPrompter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_StartUp : public QObject
{
    Q_OBJECT

private slots:
    void settings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("expected"); // port, baud, parity, descriptions
        QTest::addColumn<int>("messages");
        QTest::newRow("no file: defaults") << QByteArray() << QStringLiteral("1 9600 N 0") << 0;
        QTest::newRow("only PORT=3") << QByteArray("[COMSETTINGS]\nPORT=3\n") << QStringLiteral("3 9600 N 0") << 0;
        QTest::newRow("all four") << QByteArray("[COMSETTINGS]\nPORT=2\nBAUD=19200\nPARITY=E\n[GENERAL]\nENABLESTRINGS=1")
                                  << QStringLiteral("2 19200 E 1") << 0;
        QTest::newRow("PORT= only that value defaults") << QByteArray("[COMSETTINGS]\nPORT=\nBAUD=4800\n[GENERAL]\nENABLESTRINGS=1")
                                                        << QStringLiteral("1 4800 N 1") << 1;
        QTest::newRow("PORT=x and ENABLESTRINGS=70000") << QByteArray("[COMSETTINGS]\nPORT=x\n[GENERAL]\nENABLESTRINGS=70000")
                                                        << QStringLiteral("1 9600 N 0") << 2;
        // Numbers as the file may hold them: blanks, signs, halves to even, exponents, 16 bits.
        const auto port = [](const char *value, int expected) {
            QTest::addRow("PORT=%s", value) << QByteArray("[COMSETTINGS]\nPORT=") + value
                                            << QStringLiteral("%1 9600 N 0").arg(expected < -32768 ? 1 : expected)
                                            << int(expected < -32768);
        };
        const int refused = -99999;
        for (const auto &[value, expected] : {std::pair{"  -12 ", -12}, {"2.5", 2}, {"+3.5", 4}, {"-2.5", -2},
                                              {"1e1", 10}, {"-32768", -32768}, {"32768", refused},
                                              {"1e999", refused}, {"3x", refused}, {".", refused}, {"0x10", refused}})
            port(value, expected);
    }

    void settings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, expected);
        QFETCH(int, messages);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Korvex.ini"));
        QFile file(path);
        QVERIFY(ini.isNull() || (file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size()));
        file.close();
        MainModel model;
        RecordingPrompter prompter;
        QString seenBySetup;
        const auto text = [](const AppSettings &s) {
            return QStringLiteral("%1 %2 %3 %4").arg(s.Port).arg(s.Baud, s.Parity).arg(s.EnableStrings);
        };
        const AppSettings read =
            FormLoad(model, prompter, SettingsFile(path), [&](const AppSettings &s) { seenBySetup += text(s); });

        QCOMPARE(text(read), expected);
        QCOMPARE(model.text(MainModel::Text::Caption), QStringLiteral("KORVEX CONFIG v1.07"));
        QCOMPARE(model.descriptionBoxSize(), QSize(5000, 1090));
        QCOMPARE(prompter.prompts.size(), messages);
        for (const QString &message : prompter.prompts)
            QVERIFY2(message.startsWith(QStringLiteral("Error detected - ")) && message.contains(path), qPrintable(message));
        // A bad value never stops the rest: the port is set up once with every
        // value read.
        QCOMPARE(seenBySetup, expected);
    }
};

QTEST_GUILESS_MAIN(tst_StartUp)
#include "tst_startup.moc"
