#pragma once

#include <QObject>
#include <QString>

class QTextBrowser;
class QWidget;

// The help pages shown inside the main window, over the rows: made when
// first asked for (most sessions never open one), placed from the window's
// size and kept inside its area as it is resized.
class HelpPane : public QObject
{
    Q_OBJECT

public:
    // area: the widget the pane lies in; window: whose outer size it follows.
    HelpPane(QWidget *window, QWidget *area, QString programDir);

    // Shows the page from the program's directory, or says it is missing.
    void showPage(const QString &page);
    void ShowHelpPane();
    void close();
    // The window was resized: a shown pane follows it.
    void windowResized();

private:
    void place();

    QWidget *m_window;
    QWidget *m_area;
    QString m_programDir;
    QTextBrowser *m_browser = nullptr;
};
