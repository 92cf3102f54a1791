#include "ui/HelpPane.h"

#include "ui/FormLayout.h"
#include "ui/Twips.h"

#include <QDir>
#include <QFile>
#include <QTextBrowser>
#include <QUrl>

HelpPane::HelpPane(QWidget *window, QWidget *area, QString programDir)
    : QObject(area), m_window(window), m_area(area), m_programDir(std::move(programDir))
{}

void HelpPane::ShowHelpPane()
{
    if (!m_browser) {
        m_browser = new QTextBrowser(m_area);
        m_browser->setObjectName(QStringLiteral("WebBrowser1"));
        m_browser->setAccessibleName(QStringLiteral("Help"));
        m_browser->setOpenExternalLinks(true);
    }
    place();
    m_browser->setVisible(true);
    m_browser->raise();
}

void HelpPane::place()
{
    // Sized from the window's outer size, but never past the window's own
    // area: the page stays visible whole, and follows the window's size.
    const QSize outer = m_window->frameGeometry().size();
    const QRect area = m_area->rect();
    const QPoint at(px(FormLayout::HelpPane.x()), px(FormLayout::HelpPane.y()));
    m_browser->setGeometry(at.x(), at.y(), qMin(px(toTwips(outer.width()) - 500), area.width() - at.x()),
                           qMin(px(toTwips(outer.height()) - 2500), area.height() - at.y()));
}

void HelpPane::windowResized()
{
    if (m_browser && m_browser->isVisibleTo(m_window))
        place();
}

void HelpPane::showPage(const QString &page)
{
    ShowHelpPane();
    const QString path = QDir(m_programDir).filePath(page);
    if (!QFile::exists(path)) {
        m_browser->setSource(QUrl());
        m_browser->setPlainText(
            QStringLiteral("The help page %1 was not found.").arg(QDir::toNativeSeparators(path)));
        return;
    }
    m_browser->setSource(QUrl::fromLocalFile(path));
}

void HelpPane::close()
{
    if (m_browser)
        m_browser->setVisible(false);
}
