#include "ui/UiFonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>

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

void fitLabel(QLabel *label, int maxWidth)
{
    const auto needed = [label](const QFont &font) {
        return QFontMetrics(font).horizontalAdvance(label->text()) + 2 * label->margin() + 2;
    };
    QFont font = label->font();
    if (needed(font) > label->width())
        label->resize(qMin(maxWidth, needed(font)), label->height());
    while (needed(font) > label->width() && font.pointSizeF() > 6.0)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    label->setFont(font);
}
