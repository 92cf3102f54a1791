#include "core/IniFile.h"
#include "core/KeyRows.h"
#include "core/MainModel.h"
#include "core/SettingsLocation.h"
#include "core/Waiter.h"
#include "device/QtSerialLink.h"
#include "ui/Form1.h"
#include "ui/MessageBoxPrompter.h"
#include "ui/QtFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTextBrowser>

// Runs from inside an installed program's read-only directory, as an
// ordinary user (see check-installed.sh).
class tst_Installed : public QObject
{
    Q_OBJECT

    // The program's own window and collaborators, as the program makes them.
    struct Program
    {
        QString iniPath = settingsFilePath();
        MessageBoxPrompter prompter;
        EventLoopWaiter waiter;
        QtSerialLink port{iniPath};
        QtFileDialogs dialogs;
        Form1 window{{&prompter, &port, &waiter, &dialogs, iniPath, programDirectory(), {}, {}, {}}};
    };

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("KORVEXConfig")); }

    void settingsLiveInTheUserConfigDirectory()
    {
        const QString expected = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("KORVEXConfig/Korvex.ini"));
        QCOMPARE(settingsFilePath(), expected);
        QVERIFY(WriteINI(expected, QStringLiteral("COMSETTINGS"), QStringLiteral("PORT"), QStringLiteral("3")));
        QVERIFY(WriteINI(expected, QStringLiteral("COMSETTINGS"), QStringLiteral("BAUD"), QStringLiteral("19200")));

        Program program; // reading what was just written
        Form1 &window = program.window;
        QCOMPARE(window.model().text(MainModel::Text::CommLabel), QStringLiteral("COM3"));
        QCOMPARE(window.model().text(MainModel::Text::BaudLabel), QStringLiteral("19200"));
    }

    void picturesAndHelpPagesAreFound()
    {
        Program program;
        Form1 &window = program.window;
        window.model().rows().markAllUnconfirmed(true);
        const auto *icon = window.findChild<QLabel *>(QStringLiteral("Image1_0"));
        QVERIFY(icon && !icon->pixmap().isNull());
        window.OverView_Click();
        const auto *help = window.findChild<QTextBrowser *>(QStringLiteral("WebBrowser1"));
        QVERIFY(help && !help->documentTitle().isEmpty());
        QCOMPARE(QFileInfo(help->source().toLocalFile()).absolutePath(), programDirectory());
    }
};

QTEST_MAIN(tst_Installed)
#include "tst_installed.moc"
