#include "ui/UiFonts.h"

#include "ui/WrapButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QStyleOptionButton>

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

QFont fittingFont(const QFont &font, const QRect &area, int flags, const QString &text)
{
    QFont fitting = font;
    for (qreal size = font.pointSizeF(); size > 5.0; size -= 0.25) {
        fitting.setPointSizeF(size);
        const QRect needed = QFontMetrics(fitting).boundingRect(area, flags, text);
        if (needed.width() <= area.width() && needed.height() <= area.height())
            break;
    }
    return fitting;
}

TextBox textBox(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        const int margin = label->margin();
        return {label->contentsRect().adjusted(margin, margin, -margin, -margin),
                int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0), label->text()};
    }
    if (const auto *button = qobject_cast<const WrapButton *>(widget))
        return {button->captionArea(), WrapButton::CaptionFlags, button->text()};
    const auto *button = qobject_cast<const QAbstractButton *>(widget);
    if (!button)
        return {};
    QStyleOptionButton option;
    option.initFrom(button);
    if (qobject_cast<const QCheckBox *>(button))
        return {button->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, button),
                Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, button->text()};
    return {button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button),
            Qt::AlignCenter | Qt::TextShowMnemonic, button->text()};
}

void fitTexts(QWidget *window)
{
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const TextBox box = textBox(widget);
        if (!box.text.isEmpty())
            widget->setFont(fittingFont(widget->font(), box.area, box.flags, box.text));
    }
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
