#include "ui/UiFonts.h"

#include <QApplication>
#include <QFontDatabase>

QFont namedFont(const QString &family, qreal pointSize, bool bold)
{
    QFont font = QApplication::font();
    const QString fallback = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    font.setFamilies({family, fallback});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont dialogFont(qreal pointSize, bool bold)
{
    return namedFont(QStringLiteral("MS Sans Serif"), pointSize, bold);
}
