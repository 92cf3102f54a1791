#include "ui/StatusIcon.h"

#include <QPixmap>
#include <QPixmapCache>

namespace {

// Sixteen icons share each picture; it is read once.
QPixmap sharedPicture(const QString &file)
{
    QPixmap pixmap;
    if (!QPixmapCache::find(file, &pixmap) && pixmap.load(file))
        QPixmapCache::insert(file, pixmap);
    return pixmap;
}

} // namespace

StatusIcon::StatusIcon(QString questionMarkFile, QString checkMarkFile, QWidget *parent)
    : QLabel(parent), m_questionMarkFile(std::move(questionMarkFile)),
      m_checkMarkFile(std::move(checkMarkFile))
{
    setScaledContents(true);
    setVisible(false);
}

void StatusIcon::showIcon(RowIcon icon, bool shown)
{
    const bool verified = icon == RowIcon::CheckMark;
    setAccessibleDescription(verified ? QStringLiteral("verified") : QStringLiteral("not verified"));
    if (shown && icon != m_loaded && icon != RowIcon::None) {
        // A missing picture file shows nothing rather than failing.
        setPixmap(sharedPicture(verified ? m_checkMarkFile : m_questionMarkFile));
        m_loaded = icon;
    }
    setVisible(shown);
}
