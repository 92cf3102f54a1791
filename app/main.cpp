#include "ui/Form1.h"

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
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.korvexconfig.KORVEXConfig")));
    Form1 window;
    window.show();
    return QApplication::exec();
}
