// The window as the program makes it (ProgramWindow), with a voice: for
// tests/wine/tst_wine_window.cpp, which runs it under Wine and drives it
// from outside with real keys and clicks through the X server. On standard
// output, one line each:
//   rect NAME X Y W H       where a control is, in screen pixels (Form1:
//                           the window's client area)
//   clipped NAME TEXT       a caption that does not fit its control
//   ready                   shown, and all the above said
//   key ROW NAME            row ROW's key name changed (rows from 1)
//   string ROW TEXT         row ROW's output string changed
// Usage: korvex-window-probe SETTINGS_FILE PROGRAM_DIR

#include "ui/ProgramWindow.h"
#include "ui/model/KeyRows.h"
#include "ui/model/MainModel.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWindow>

#include <cstdio>

namespace {

void tell(const QString &line)
{
    std::printf("%s\n", qUtf8Printable(line));
    std::fflush(stdout);
}

// A one-line caption must fit across; a wrapping one, down. (The buttons
// shrink their captions to fit by themselves.)
bool fits(const QLabel *label)
{
    if (label->text().isEmpty() || !label->isVisible())
        return true;
    const QFontMetrics metrics(label->font());
    const QRect room =
        label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
    if (!label->wordWrap())
        return metrics.horizontalAdvance(label->text()) <= room.width();
    return metrics.boundingRect(room, Qt::TextWordWrap, label->text()).height() <= room.height();
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
    const QString iniPath = args.at(1);

    ProgramWindow program(SettingsFile(iniPath), args.at(2));
    Form1 &window = program.window();

    KeyRows &rows = window.model().rows();
    QObject::connect(&rows, &KeyRows::keyNameChanged, &window, [&rows](int i) {
        tell(QStringLiteral("key %1 %2").arg(i + 1).arg(QString::fromLatin1(rows.keyName(i))));
    });
    QObject::connect(&rows, &KeyRows::keyStringChanged, &window, [&rows](int i) {
        tell(QStringLiteral("string %1 %2").arg(i + 1).arg(QString::fromLatin1(rows.keyString(i))));
    });

    window.show();
    // Where things are is known once the window system has placed the window.
    while (!window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const auto at = [](const QWidget *widget) {
        const QRect r(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        tell(QStringLiteral("rect %1 %2 %3 %4 %5")
                 .arg(widget->objectName())
                 .arg(r.x())
                 .arg(r.y())
                 .arg(r.width())
                 .arg(r.height()));
    };
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        if (widget->objectName().startsWith(QLatin1String("KbdKey_")) ||
            widget->objectName().startsWith(QLatin1String("Command")))
            at(widget);
        const auto *label = qobject_cast<const QLabel *>(widget);
        if (label && !fits(label))
            tell(QStringLiteral("clipped %1 %2").arg(label->objectName(), label->text()));
    }
    at(&window);
    tell(QStringLiteral("ready"));
    return QApplication::exec();
}
