#include "ui/model/KeyRows.h"

KeyRows::KeyRows(QObject *parent) : QObject(parent) {}

KeyOverrides KeyRows::overrides() const
{
    KeyOverrides out;
    for (int i = 0; i < RowCount; ++i)
        out[static_cast<std::size_t>(i)] = keyOverride(i);
    return out;
}

void KeyRows::setKeyName(int index, const QByteArray &name)
{
    if (mutableRow(index).keyName == name)
        return;
    mutableRow(index).keyName = name;
    emit keyNameChanged(index);
}

void KeyRows::setKeyString(int index, const QByteArray &text)
{
    if (mutableRow(index).keyString == text)
        return;
    mutableRow(index).keyString = text;
    emit keyStringChanged(index);
}

void KeyRows::setLengthCaption(int index, const QString &caption)
{
    if (mutableRow(index).lengthCaption == caption)
        return;
    mutableRow(index).lengthCaption = caption;
    emit lengthCaptionChanged(index);
}

void KeyRows::setDescription(int index, const QByteArray &text)
{
    if (mutableRow(index).description == text)
        return;
    mutableRow(index).description = text;
    emit descriptionChanged(index);
}

void KeyRows::setIcon(int index, RowIcon icon)
{
    if (mutableRow(index).icon == icon)
        return;
    mutableRow(index).icon = icon;
    emit iconChanged(index);
}

void KeyRows::markAllUnconfirmed(bool showIcons)
{
    for (int i = 0; i < RowCount; ++i) {
        KeyRow &changed = mutableRow(i);
        const bool shown = changed.iconShown || showIcons;
        if (changed.icon == RowIcon::QuestionMark && changed.iconShown == shown)
            continue;
        changed.icon = RowIcon::QuestionMark;
        changed.iconShown = shown;
        emit iconChanged(i);
    }
}
