// The window as the program makes it (ProgramWindow), with a voice: for
// tests/wine/tst_wine_window.cpp, which runs it under Wine and drives it
// from outside with real keys and clicks through the X server. On standard
// output, one line each:
//   rect NAME X Y W H       where a control is, in screen pixels (Form1:
//                           the window's client area; Config: the menu item)
//   clipped NAME TEXT       a text that does not fit where its control draws it
//   ready                   shown, and all the above said
//   dialog ready            the Configuration dialog is shown, and its rect
//                           and clipped lines said
//   busy, idle              an operation started, ended (the commands are back)
//   key ROW NAME            row ROW's key name changed (rows from 1)
//   string ROW TEXT         row ROW's output string changed
// Usage: korvex-window-probe SETTINGS_FILE PROGRAM_DIR

#include "ui/ProgramWindow.h"
#include "ui/UiFonts.h"
#include "ui/model/KeyRows.h"
#include "ui/model/MainModel.h"

#include <QApplication>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTimer>
#include <QWindow>

#include <cstdio>

namespace {

void tell(const QString &line)
{
    std::printf("%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

void tellRect(const QString &name, const QRect &r)
{
    tell(
        QStringLiteral("rect %1 %2 %3 %4 %5").arg(name).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()));
}

// Once the window system has shown window: where it and its controls whose
// names match `placed` are, and every text of it that does not fit.
void report(QWidget *window, const QRegularExpression &placed)
{
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        const QString name = widget->objectName();
        if (placed.match(name).hasMatch())
            tellRect(name, QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()));
        // The text's own extent, in the control's font and laid out as the
        // control lays it out (wrapped at words where it wraps), must lie in
        // the box the control draws it in.
        const TextBox box = textBox(widget);
        if (!box.text.isEmpty() && widget->isVisible() &&
            !box.area.contains(QFontMetrics(widget->font()).boundingRect(box.area, box.flags, box.text)))
            tell(QStringLiteral("clipped %1 %2").arg(name, box.text));
    }
    tellRect(window->objectName(), QRect(window->mapToGlobal(QPoint(0, 0)), window->size()));
}

} // namespace

int main(int argc, char *argv[])
{
    // The Qt plugins are the program's, beside it in PROGRAM_DIR, as the
    // program finds them (Wine passes no QT_ variable on to a program).
    if (argc == 3)
        QCoreApplication::addLibraryPath(QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KORVEXConfig"));
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) {
        std::fputs("usage: korvex-window-probe SETTINGS_FILE PROGRAM_DIR\n", stderr);
        return 2;
    }

    ProgramWindow program(SettingsFile(args.at(1)), args.at(2));
    Form1 &window = program.window();

    KeyRows &rows = window.model().rows();
    QObject::connect(&rows, &KeyRows::keyNameChanged, &window, [&rows](int i) {
        tell(QStringLiteral("key %1 %2").arg(i + 1).arg(QString::fromLatin1(rows.keyName(i))));
    });
    QObject::connect(&rows, &KeyRows::keyStringChanged, &window, [&rows](int i) {
        tell(QStringLiteral("string %1 %2").arg(i + 1).arg(QString::fromLatin1(rows.keyString(i))));
    });
    QObject::connect(&window.model(), &MainModel::busyChanged, &window,
                     [](bool busy) { tell(busy ? QStringLiteral("busy") : QStringLiteral("idle")); });
    // The Configuration dialog, each time it opens.
    QObject::connect(&app, &QApplication::focusChanged, &window, [](QWidget *, QWidget *now) {
        QWidget *dialog = now ? now->window() : nullptr;
        if (!dialog || dialog->objectName() != QLatin1String("Configuration") ||
            dialog->property("told").toBool())
            return;
        dialog->setProperty("told", true);
        QTimer::singleShot(0, dialog, [dialog] {
            report(dialog, QRegularExpression(QStringLiteral("^ConfigSave$")));
            tell(QStringLiteral("dialog ready"));
        });
    });

    window.show();
    report(&window, QRegularExpression(QStringLiteral("^(KbdKey_|Command)")));
    QMenuBar *bar = window.menuBar();
    const QRect item = bar->actionGeometry(window.findChild<QAction *>(QStringLiteral("Config")));
    tellRect(QStringLiteral("Config"), item.translated(bar->mapToGlobal(QPoint(0, 0))));
    tell(QStringLiteral("ready"));
    return QApplication::exec();
}
