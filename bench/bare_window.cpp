// korvex-bench-bare-window: the yardstick for script/bench window. A plain
// Qt window with the main window's client size and nothing in it, so that the
// program's start-up can be told apart from what Qt itself costs.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    // The main window's client area: 11595 x 8025 twips at 15 twips a pixel.
    window.resize(773, 535);
    // script/bench finds the window by this title.
    window.setWindowTitle(QStringLiteral("KORVEX bare window"));
    window.show();
    return QApplication::exec();
}
