#include "core/SettingsLocation.h"
#include "core/Waiter.h"
#include "device/PortMapping.h"
#include "device/SystemSerialLink.h"
#include "ui/Form1.h"
#include "ui/MessageBoxPrompter.h"
#include "ui/QtFileDialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Fixed names, whatever the command is called: the settings fallback
    // lives in ~/.config/KORVEXConfig/, and desktops match the window to its
    // menu entry and icon.
    QApplication::setApplicationName(QStringLiteral("KORVEXConfig"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.korvexconfig.KORVEXConfig"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/org.korvexconfig.KORVEXConfig.png")));

    const QString iniPath = settingsFilePath();
    MessageBoxPrompter prompter;
    EventLoopWaiter waiter;
    SystemSerialLink port(iniPath);
    QtFileDialogs dialogs;
    const auto describePort = [&iniPath](int n) { return describeSerialPort(n, iniPath); };
    Form1 window({&prompter, &port, &waiter, &dialogs, iniPath, programDirectory(), {}, describePort, {}});
    // Boxes and dialogs belong to the window once it exists.
    prompter.setParent(&window);
    dialogs.setParent(&window);
    window.show();
    return QApplication::exec();
}
