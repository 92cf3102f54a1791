#include "FormRig.h"

#include "core/AppSettings.h"
#include "core/IniFile.h"
#include "ui/Configuration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

// The Configuration dialog: what it shows, what SAVE stores and in which
// order, and what CLOSE keeps.
class TestConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void opening_data();
    void opening();
    void save_data();
    void save();
    void saveStepsInOrder();
    void saveTwiceKeepsTheSameValues();
    void closeKeepsTheUntickedBoxInEffect();
    void failedWriteIsReported();
    void portDeviceFollowsTheChoice();
    void tabOrder();
    void fromTheWindow_data();
    void fromTheWindow();

private:
    struct Rig
    {
        QTemporaryDir dir;
        FakeWaiter waiter;
        RecordingPrompter prompter;
        QStringList steps;
        QString iniPath() const { return dir.filePath(QStringLiteral("Korvex.ini")); }
        std::unique_ptr<Configuration> open(const QString &path = QString())
        {
            Configuration::Actions actions;
            actions.setupCommPort = [this] { steps << QStringLiteral("setup"); };
            actions.hideDescription = [this] { steps << QStringLiteral("hide at %1 ms").arg(waiter.now()); };
            actions.describePort = [](int port) { return QStringLiteral("/dev/ttyFAKE%1").arg(port); };
            return std::make_unique<Configuration>(path.isEmpty() ? iniPath() : path, waiter, prompter,
                                                   actions);
        }
    };
    static QString stored(const Rig &rig, const char *section, const char *key)
    {
        return ReadINI(rig.iniPath(), QLatin1String(section), QLatin1String(key), QStringLiteral("<absent>"));
    }
};

namespace {

template <typename W> W *child(QWidget *dialog, const char *name)
{
    W *widget = dialog->findChild<W *>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

void click(QWidget *dialog, const char *button)
{
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

} // namespace

void TestConfiguration::init()
{
    AppSettings.Port = 1;
    AppSettings.Baud = QStringLiteral("9600");
    AppSettings.Parity = QStringLiteral("N");
    AppSettings.EnableStrings = 0;
}

void TestConfiguration::opening_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<int>("flag");
    QTest::addColumn<QString>("portShown");
    QTest::addColumn<QString>("baudShown");
    QTest::addColumn<QString>("parityShown");
    QTest::addColumn<bool>("ticked");

    QTest::newRow("COM3 19.2k EVEN ticked") << 3 << "19200"
                                            << "E" << 1 << "COM3"
                                            << "19.2k"
                                            << "EVEN" << true;
    QTest::newRow("defaults") << 1 << "9600"
                              << "N" << 0 << "COM1"
                              << "9600"
                              << "NONE" << false;
    QTest::newRow("COM8 57.6k ODD") << 8 << "57600"
                                    << "O" << 0 << "COM8"
                                    << "57.6k"
                                    << "ODD" << false;
    QTest::newRow("port 0 selects nothing") << 0 << "2400"
                                            << "N" << 0 << ""
                                            << "2400"
                                            << "NONE" << false;
    QTest::newRow("port 9 cannot be shown") << 9 << "4800"
                                            << "N" << 0 << ""
                                            << "4800"
                                            << "NONE" << false;
    QTest::newRow("baud matched by its first two characters") << 2 << "38"
                                                              << "E" << 0 << "COM2"
                                                              << "38.4k"
                                                              << "EVEN" << false;
    QTest::newRow("baud 115200 matches no item") << 1 << "115200"
                                                 << "N" << 0 << "COM1"
                                                 << ""
                                                 << "NONE" << false;
    QTest::newRow("unknown parity selects nothing") << 1 << "9600"
                                                    << "x" << 0 << "COM1"
                                                    << "9600"
                                                    << "" << false;
    QTest::newRow("flag other than 1 is clear") << 1 << "9600"
                                                << "N" << 2 << "COM1"
                                                << "9600"
                                                << "NONE" << false;
}

void TestConfiguration::opening()
{
    QFETCH(int, port);
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(int, flag);
    QFETCH(QString, portShown);
    QFETCH(QString, baudShown);
    QFETCH(QString, parityShown);
    QFETCH(bool, ticked);

    AppSettings.Port = static_cast<qint16>(port);
    AppSettings.Baud = baud;
    AppSettings.Parity = parity;
    AppSettings.EnableStrings = static_cast<qint16>(flag);
    Rig rig;
    auto dialog = rig.open();

    QCOMPARE(child<QComboBox>(dialog.get(), "cboPort")->currentText(), portShown);
    QCOMPARE(child<QComboBox>(dialog.get(), "cboBaud")->currentText(), baudShown);
    QCOMPARE(child<QComboBox>(dialog.get(), "cboParity")->currentText(), parityShown);
    QCOMPARE(child<QCheckBox>(dialog.get(), "DescripEnable")->isChecked(), ticked);
    QCOMPARE(child<QComboBox>(dialog.get(), "cboPort")->count(), 8);
    // Opening changes no setting.
    QCOMPARE(AppSettings.EnableStrings, flag);
}

void TestConfiguration::save_data()
{
    QTest::addColumn<int>("portIndex");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("parityIndex");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("flag");

    QTest::newRow("COM2 19.2k EVEN enabled") << 1 << 3 << 1 << true << "2"
                                             << "19200"
                                             << "E"
                                             << "1";
    QTest::newRow("57.6k is stored as 57600") << 0 << 5 << 0 << false << "1"
                                              << "57600"
                                              << "N"
                                              << "0";
    QTest::newRow("38.4k is stored as 38400") << 7 << 4 << 2 << false << "8"
                                              << "38400"
                                              << "O"
                                              << "0";
    QTest::newRow("4800 is stored as written") << 2 << 1 << 0 << false << "3"
                                               << "4800"
                                               << "N"
                                               << "0";
    QTest::newRow("no port selected stores 0") << -1 << 2 << 0 << false << "0"
                                               << "9600"
                                               << "N"
                                               << "0";
    QTest::newRow("no baud selected stores empty text") << 0 << -1 << 0 << false << "1"
                                                        << ""
                                                        << "N"
                                                        << "0";
}

void TestConfiguration::save()
{
    QFETCH(int, portIndex);
    QFETCH(int, baudIndex);
    QFETCH(int, parityIndex);
    QFETCH(bool, ticked);
    QFETCH(QString, port);
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, flag);

    Rig rig;
    auto dialog = rig.open();
    child<QComboBox>(dialog.get(), "cboPort")->setCurrentIndex(portIndex);
    child<QComboBox>(dialog.get(), "cboBaud")->setCurrentIndex(baudIndex);
    child<QComboBox>(dialog.get(), "cboParity")->setCurrentIndex(parityIndex);
    child<QCheckBox>(dialog.get(), "DescripEnable")->setChecked(ticked);
    click(dialog.get(), "ConfigSave");

    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(stored(rig, "COMSETTINGS", "PORT"), port);
    QCOMPARE(stored(rig, "COMSETTINGS", "BAUD"), baud);
    QCOMPARE(stored(rig, "COMSETTINGS", "PARITY"), parity);
    QCOMPARE(stored(rig, "GENERAL", "ENABLESTRINGS"), flag);
    QCOMPARE(QString::number(AppSettings.Port), port);
    QCOMPARE(AppSettings.Baud, baud);
    QCOMPARE(AppSettings.Parity, parity);
    QVERIFY(rig.prompter.prompts().isEmpty());
}

void TestConfiguration::saveStepsInOrder()
{
    // The file is written before the port is set up again, the 700 ms wait
    // follows, and only then is the description box hidden.
    Rig rig;
    AppSettings.EnableStrings = 1;
    auto dialog = rig.open();
    child<QCheckBox>(dialog.get(), "DescripEnable")->setChecked(false);
    rig.waiter.onAdvance = [&](qint64) { rig.steps << QStringLiteral("waited"); };
    click(dialog.get(), "ConfigSave");

    QCOMPARE(rig.steps, (QStringList{QStringLiteral("setup"), QStringLiteral("waited"),
                                     QStringLiteral("hide at 700 ms")}));
    QCOMPARE(rig.waiter.delays(), QList<int>{700});
    QCOMPARE(stored(rig, "GENERAL", "ENABLESTRINGS"), QStringLiteral("0"));
}

void TestConfiguration::saveTwiceKeepsTheSameValues()
{
    Rig rig;
    AppSettings.Port = 4;
    AppSettings.Baud = QStringLiteral("2400");
    AppSettings.Parity = QStringLiteral("O");
    AppSettings.EnableStrings = 1;
    click(rig.open().get(), "ConfigSave");
    QFile file(rig.iniPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray first = file.readAll();
    file.close();
    click(rig.open().get(), "ConfigSave");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), first);
    QCOMPARE(rig.steps.count(QStringLiteral("setup")), 2);
    QVERIFY(!rig.steps.join(QLatin1Char(',')).contains(QStringLiteral("hide")));
}

void TestConfiguration::closeKeepsTheUntickedBoxInEffect()
{
    Rig rig;
    AppSettings.EnableStrings = 1;
    WriteINI(rig.iniPath(), QStringLiteral("GENERAL"), QStringLiteral("ENABLESTRINGS"), QStringLiteral("1"));
    auto dialog = rig.open();
    child<QComboBox>(dialog.get(), "cboPort")->setCurrentIndex(5);
    QTest::mouseClick(child<QCheckBox>(dialog.get(), "DescripEnable"), Qt::LeftButton);
    QCOMPARE(AppSettings.EnableStrings, 0);
    click(dialog.get(), "ConfigAbort");

    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(AppSettings.EnableStrings, 0);
    QCOMPARE(AppSettings.Port, 1);
    QCOMPARE(stored(rig, "GENERAL", "ENABLESTRINGS"), QStringLiteral("1"));
    QVERIFY(rig.steps.isEmpty());
}

void TestConfiguration::failedWriteIsReported()
{
    // A settings file that cannot be written must not look saved.
    Rig rig;
    // A directory that is a file cannot take the settings file, even for root.
    QFile blocker(rig.dir.filePath(QStringLiteral("not-a-dir")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto dialog = rig.open(rig.dir.filePath(QStringLiteral("not-a-dir/Korvex.ini")));
    click(dialog.get(), "ConfigSave");

    QCOMPARE(rig.prompter.messages().size(), 1);
    QVERIFY(rig.prompter.messages().first().startsWith(QStringLiteral("Error saving configuration - ")));
    QVERIFY(rig.steps.isEmpty());
    QVERIFY(rig.waiter.delays().isEmpty());
    QVERIFY(child<QPushButton>(dialog.get(), "ConfigSave")->isEnabled());
    QCOMPARE(dialog->result(), 0);
}

void TestConfiguration::portDeviceFollowsTheChoice()
{
    Rig rig;
    AppSettings.Port = 2;
    auto dialog = rig.open();
    auto *line = child<QLabel>(dialog.get(), "PortDevice");
    QVERIFY(line->text().contains(QStringLiteral("/dev/ttyFAKE2")));
    child<QComboBox>(dialog.get(), "cboPort")->setCurrentIndex(6);
    QVERIFY(line->text().contains(QStringLiteral("COM7")));
    QVERIFY(line->text().contains(QStringLiteral("/dev/ttyFAKE7")));
}

void TestConfiguration::tabOrder()
{
    Rig rig;
    auto dialog = rig.open();
    QStringList order;
    QWidget *widget = child<QWidget>(dialog.get(), "ConfigSave");
    for (int i = 0; i < 6; ++i) {
        order << widget->objectName();
        do
            widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
    }
    QCOMPARE(order, (QStringList{QStringLiteral("ConfigSave"), QStringLiteral("ConfigAbort"),
                                 QStringLiteral("cboBaud"), QStringLiteral("cboPort"),
                                 QStringLiteral("cboParity"), QStringLiteral("DescripEnable")}));
    QCOMPARE(dialog->size(), QSize(311, 229));
    QCOMPARE(dialog->palette().color(QPalette::Window), QColor(255, 238, 255));
}

void TestConfiguration::fromTheWindow_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("boxShown");
    QTest::addColumn<QString>("fileFlag");

    QTest::newRow("SAVE with descriptions off hides the open box") << "ConfigSave" << false << "0";
    QTest::newRow("CLOSE leaves the box open and the file as it was") << "ConfigAbort" << true << "1";
}

void TestConfiguration::fromTheWindow()
{
    QFETCH(QString, button);
    QFETCH(bool, boxShown);
    QFETCH(QString, fileFlag);

    FormRig rig([](const QString &dir) {
        WriteINI(QDir(dir).filePath(QStringLiteral("Korvex.ini")), QStringLiteral("GENERAL"),
                 QStringLiteral("ENABLESTRINGS"), QStringLiteral("1"));
    });
    QTest::mouseClick(rig.row("StringCount", 2), Qt::LeftButton);
    typeInto(rig.find(QStringLiteral("StrDes")), QStringLiteral("draft"));

    bool sawDialog = false;
    QTimer::singleShot(0, rig.form.get(), [&] {
        auto *dialog = rig.form->findChild<Configuration *>();
        QVERIFY(dialog && dialog->isModal() && dialog->isVisible());
        sawDialog = true;
        QTest::mouseClick(dialog->findChild<QCheckBox *>(QStringLiteral("DescripEnable")), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
    });
    rig.action("Config")->trigger();

    QVERIFY(sawDialog);
    QCOMPARE(AppSettings.EnableStrings, 0);
    QCOMPARE(!rig.find(QStringLiteral("StrDes"))->isHidden(), boxShown);
    QCOMPARE(rig.rows().description(2), QByteArray());
    QCOMPARE(ReadINI(rig.iniPath(), QStringLiteral("GENERAL"), QStringLiteral("ENABLESTRINGS"), QString()),
             fileFlag);
}

QTEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
