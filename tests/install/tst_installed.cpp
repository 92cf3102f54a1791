#include "core/IniFile.h"
#include "core/KeyRows.h"
#include "core/MainModel.h"
#include "core/SettingsLocation.h"
#include "ui/Form1.h"

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

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("KORVEXConfig")); }

    void settingsLiveInTheUserConfigDirectory()
    {
        const QString expected = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("KORVEXConfig/Korvex.ini"));
        QCOMPARE(settingsFilePath(), expected);
        QVERIFY(WriteINI(expected, QStringLiteral("COMSETTINGS"), QStringLiteral("PORT"), QStringLiteral("3")));
        QVERIFY(WriteINI(expected, QStringLiteral("COMSETTINGS"), QStringLiteral("BAUD"), QStringLiteral("19200")));

        Form1 window; // the program's own window, reading what was just written
        QCOMPARE(window.model().text(MainModel::Text::CommLabel), QStringLiteral("COM3"));
        QCOMPARE(window.model().text(MainModel::Text::BaudLabel), QStringLiteral("19200"));
    }

    void picturesAndHelpPagesAreFound()
    {
        Form1 window;
        window.model().rows().setIcon(0, RowIcon::QuestionMark);
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
