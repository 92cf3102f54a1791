#include "core/SettingsLocation.h"
#include "core/Version.h"
#include "ui/PlatformStartGuard.h"
#include "ui/ProgramWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

const char Usage[] = "Usage: korvexconfig [FILE.cfg]\n"
                     "Sets up the sixteen key overrides of a KORVEX over a serial port.\n"
                     "\n"
                     "  FILE.cfg     open these rows at start, as File > Open does\n"
                     "  -h, --help   this text\n"
                     "  --version    the program's version\n"
                     "\n"
                     "See man korvexconfig.\n";

} // namespace

int main(int argc, char *argv[])
{
    // Answered before QApplication, which cannot start without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("KORVEXConfig %s\n", qPrintable(ProgramVersion));
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }

    // Without a display Qt would abort here, even for a mistyped option.
    std::optional<PlatformStartGuard> guard(std::in_place, argv[0]);
    QApplication app(argc, argv);
    guard.reset();
    // What is left once Qt took its own options (-platform, -display ...).
    const QString file = QCoreApplication::arguments().value(1);
    if (file.startsWith(QLatin1Char('-')) && file.size() > 1) {
        std::fprintf(stderr, "KORVEXConfig: unknown option %s (see --help)\n", qPrintable(file));
        return 2;
    }
    // Fixed names, whatever the command is called: the settings fallback
    // lives in ~/.config/KORVEXConfig/, and desktops match the window to its
    // menu entry and icon.
    QApplication::setApplicationName(QStringLiteral("KORVEXConfig"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.korvexconfig.KORVEXConfig"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/org.korvexconfig.KORVEXConfig.png")));

    ProgramWindow program(programSettingsFile(), programDirectory());
    Form1 &window = program.window();
    window.show();
    // Once the window is up, so that its messages appear over it.
    if (!file.isEmpty())
        QTimer::singleShot(
            0, &window, [&window, path = QFileInfo(file).absoluteFilePath()] { window.openCfgFile(path); });
    return QApplication::exec();
}
