#include "ui/WrapButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// The largest font, no larger than the button's own, at which the caption
// fits the area when wrapped at word boundaries.
QFont fittingFont(const QFont &base, const QRect &area, const QString &caption)
{
    QFont font = base;
    for (qreal size = base.pointSizeF(); size > 5.0; size -= 0.25) {
        font.setPointSizeF(size);
        const QRect needed =
            QFontMetrics(font).boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, caption);
        if (needed.width() <= area.width() && needed.height() <= area.height())
            break;
    }
    return font;
}

} // namespace

void WrapButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect area =
        style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(2, 0, -2, 0);
    painter.setFont(fittingFont(font(), area, caption));
    style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextWordWrap, option.palette, isEnabled(),
                          caption, QPalette::ButtonText);
}
