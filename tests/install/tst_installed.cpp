#include "core/IniFile.h"
#include "core/SettingsLocation.h"
#include "ui/Form1.h"
#include "ui/ProgramWindow.h"
#include "ui/model/MainModel.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

// Runs from inside an installed program's read-only directory, as an
// ordinary user (see check-installed.sh).
class tst_Installed : public QObject
{
    Q_OBJECT

private slots:
    void settingsPicturesAndHelpPages()
    {
        // Settings live in the user's configuration directory; the window,
        // made as the program makes it, reads what was just written there.
        QCoreApplication::setApplicationName(u"KORVEXConfig"_s);
        const QString ini =
            QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(u"KORVEXConfig/Korvex.ini"_s);
        QCOMPARE(programSettingsFile().path(), ini);
        QVERIFY(WriteINI(ini,
                         {{u"COMSETTINGS"_s, u"PORT"_s, u"3"_s}, {u"COMSETTINGS"_s, u"BAUD"_s, u"19200"_s}}));
        ProgramWindow program(programSettingsFile(), programDirectory());
        Form1 &window = program.window();
        QCOMPARE(window.model().text(MainModel::Text::CommLabel) + u' ' +
                     window.model().text(MainModel::Text::BaudLabel),
                 u"COM3 19200"_s);

        // The pictures and the help pages are found beside the program.
        window.model().rows().markAllUnconfirmed(true);
        QVERIFY(!window.findChild<QLabel *>(u"Image1_0"_s)->pixmap().isNull());
        window.OverView_Click();
        const auto *help = window.findChild<QTextBrowser *>(u"WebBrowser1"_s);
        QVERIFY(!help->documentTitle().isEmpty());
        QCOMPARE(QFileInfo(help->source().toLocalFile()).absolutePath(), programDirectory());
    }
};

QTEST_MAIN(tst_Installed)
#include "tst_installed.moc"
