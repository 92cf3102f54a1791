#include "FormRig.h"

#include "core/IniFile.h"
#include "ui/Configuration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QDir>
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

    std::unique_ptr<Configuration> open(const AppSettings &current, const char *file = "Korvex.ini")
    {
        steps.clear();
        waiter.onAdvance = [this](qint64) {
            steps += QString::number(waiter.delays().last()) + QLatin1Char('|');
        };
        return std::make_unique<Configuration>(
            current, SettingsFile(dir.filePath(QLatin1String(file))), waiter, prompter,
            Configuration::Actions{[this](const AppSettings &s) { steps += QStringLiteral("apply COM%1|").arg(s.Port); },
                                   [this](bool on) { steps += QStringLiteral("descriptions %1|").arg(on); },
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
        QTest::newRow("COM3 19.2k EVEN ticked") << "3|19200|E|1" << "COM3|19.2k|EVEN|1" << "apply COM3|700|";
        QTest::newRow("57600 as 57.6k and back, box hidden") << "8|57600|O|0" << "COM8|57.6k|ODD|0" << "apply COM8|700|hide|";
        QTest::newRow("port 0 selects nothing, saves 0") << "0|2400|N|0" << "|2400|NONE|0" << "apply COM0|700|hide|";
        // clang-format on
    }
    void openAndSave()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, saveSteps);
        const QStringList s = stored.split(QLatin1Char('|'));
        auto dialog = open({qint16(s[0].toInt()), s[1], s[2], qint16(s[3].toInt())});
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

    void failedSaveChangesNothing()
    {
        // A settings file that cannot be written must not look saved, and
        // nothing of the choice may be applied: the window would probe one
        // port and name another.
        FormRig rig;
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("Korvex.ini"))); // neither readable nor writable
        bool stayedOpen = false;
        rig.configure([&](Configuration *dialog) {
            dialog->findChild<QComboBox *>(QStringLiteral("cboPort"))->setCurrentIndex(2);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("ConfigSave")), Qt::LeftButton);
            stayedOpen = dialog->isVisible() && dialog->result() == 0;
        });
        QVERIFY(stayedOpen);
        QVERIFY(rig.prompter.prompts.value(0).startsWith(QStringLiteral("Error saving configuration - ") +
                                                           rig.dir.filePath(QStringLiteral("Korvex.ini"))));
        QCOMPARE(rig.find<QLabel>("CommLabel")->text(), QStringLiteral("COM1"));
        QCOMPARE(rig.device.portNumber, 1);
        QVERIFY(rig.waiter.delays().isEmpty());
    }

    void portDeviceFollowsTheChoice()
    {
        auto dialog = open({2, QStringLiteral("9600"), QStringLiteral("N"), 0});
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
        rig.setDescriptions(true);
        QTest::mouseClick(rig.row("StringCount", 2), Qt::LeftButton);
        typeInto(rig.find("StrDes"), QStringLiteral("draft"));
        rig.configure([](Configuration *dialog) { QTest::mouseClick(dialog->findChild<QCheckBox *>(), Qt::LeftButton); },
                      qPrintable(button));

        QCOMPARE(!rig.find("StrDes")->isHidden(), boxShown);
        QCOMPARE(rig.rows().description(2), QByteArray());
        QCOMPARE(ReadINI(ini, QStringLiteral("GENERAL"), QStringLiteral("ENABLESTRINGS"), QString()),
                 fileFlag);
        // Descriptions are off either way: a length label only hides the box.
        QTest::mouseClick(rig.row("StringCount", 3), Qt::LeftButton);
        QVERIFY(rig.find("StrDes")->isHidden());
    }
};

QTEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
