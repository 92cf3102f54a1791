#include "FormRig.h"

#include "core/IniFile.h"
#include "ui/Configuration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

// The Configuration dialog: what it shows of the stored settings, what SAVE
// stores and in which order, and what CLOSE keeps.
class TestConfiguration : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    FakeWaiter waiter;
    RecordingPrompter prompter;
    QString steps;

    std::unique_ptr<Configuration> open(const char *file = "Korvex.ini")
    {
        steps.clear();
        waiter.onAdvance = [this](qint64) {
            steps += QString::number(waiter.delays().last()) + QLatin1Char('|');
        };
        return std::make_unique<Configuration>(
            dir.filePath(QLatin1String(file)), waiter, prompter,
            Configuration::Actions{[this] { steps += QLatin1String("setup|"); },
                                   [this] { steps += QLatin1String("hide|"); },
                                   [](int n) { return QStringLiteral("/dev/fake%1").arg(n); }});
    }

private slots:
    void openAndSave_data()
    {
        // Settings as "port|baud|parity|descriptions"; SAVE's steps in order.
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("saveSteps");
        // clang-format off
        QTest::newRow("COM3 19.2k EVEN ticked") << "3|19200|E|1" << "COM3|19.2k|EVEN|1" << "setup|700|";
        QTest::newRow("57600 as 57.6k and back, box hidden") << "8|57600|O|0" << "COM8|57.6k|ODD|0" << "setup|700|hide|";
        QTest::newRow("port 0 selects nothing, saves 0") << "0|2400|N|0" << "|2400|NONE|0" << "setup|700|hide|";
        // clang-format on
    }
    void openAndSave()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, saveSteps);
        const QStringList s = stored.split(QLatin1Char('|'));
        AppSettings = {{}, qint16(s[0].toInt()), s[1], s[2], qint16(s[3].toInt())};
        auto dialog = open();
        QStringList seen;
        for (auto *list : dialog->findChildren<QComboBox *>()) // port, baud, parity
            seen << list->currentText();
        QCOMPARE(seen << QString::number(dialog->findChild<QCheckBox *>()->isChecked()),
                 shown.split(QLatin1Char('|')));

        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("ConfigSave")), Qt::LeftButton);
        const auto read = [this](const char *section, const char *key) {
            return ReadINI(dir.filePath(QStringLiteral("Korvex.ini")), QLatin1String(section),
                           QLatin1String(key), {});
        };
        QCOMPARE(QStringList({read("COMSETTINGS", "PORT"), read("COMSETTINGS", "BAUD"),
                              read("COMSETTINGS", "PARITY"), read("GENERAL", "ENABLESTRINGS")}),
                 s);
        QCOMPARE(steps, saveSteps);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }

    void failedWriteIsReported()
    {
        // A settings file that cannot be written must not look saved.
        QFile blocker(dir.filePath(QStringLiteral("a-file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        auto dialog = open("a-file/Korvex.ini");
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("ConfigSave")), Qt::LeftButton);
        QVERIFY(prompter.messages().value(0).startsWith(QStringLiteral("Error saving configuration - ")));
        QCOMPARE(steps + QString::number(dialog->result()), QStringLiteral("0"));
    }

    void portDeviceFollowsTheChoice()
    {
        AppSettings.Port = 2;
        auto dialog = open();
        auto *line = dialog->findChild<QLabel *>(QStringLiteral("PortDevice"));
        QCOMPARE(line->text(), QStringLiteral("COM2 is /dev/fake2"));
        dialog->findChild<QComboBox *>(QStringLiteral("cboPort"))->setCurrentIndex(6);
        QCOMPARE(line->text(), QStringLiteral("COM7 is /dev/fake7"));
    }

    void fromTheWindow_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("boxShown");
        QTest::addColumn<QString>("fileFlag");
        // clang-format off
        QTest::newRow("SAVE with descriptions off hides the open box") << "ConfigSave" << false << "0";
        QTest::newRow("CLOSE keeps them off, the file as it was") << "ConfigAbort" << true << "1";
        // clang-format on
    }
    void fromTheWindow()
    {
        QFETCH(QString, button);
        QFETCH(bool, boxShown);
        QFETCH(QString, fileFlag);
        FormRig rig;
        const QString ini = rig.dir.filePath(QStringLiteral("Korvex.ini"));
        WriteINI(ini, QStringLiteral("GENERAL"), QStringLiteral("ENABLESTRINGS"), QStringLiteral("1"));
        AppSettings.EnableStrings = 1;
        QTest::mouseClick(rig.row("StringCount", 2), Qt::LeftButton);
        typeInto(rig.find("StrDes"), QStringLiteral("draft"));
        QTimer::singleShot(0, rig.form.get(), [&] {
            auto *dialog = rig.form->findChild<Configuration *>();
            QTest::mouseClick(dialog->findChild<QCheckBox *>(), Qt::LeftButton);
            QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
        });
        rig.action("Config")->trigger();

        QCOMPARE(AppSettings.EnableStrings, 0);
        QCOMPARE(!rig.find("StrDes")->isHidden(), boxShown);
        QCOMPARE(rig.rows().description(2), QByteArray());
        QCOMPARE(ReadINI(ini, QStringLiteral("GENERAL"), QStringLiteral("ENABLESTRINGS"), QString()),
                 fileFlag);
    }
};

QTEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
