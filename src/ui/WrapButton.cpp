#include "ui/WrapButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

QRect WrapButton::captionArea() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(2, 0, -2, 0);
}

void WrapButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    style()->drawItemText(&painter, captionArea(), CaptionFlags, option.palette, isEnabled(), caption,
                          QPalette::ButtonText);
}
