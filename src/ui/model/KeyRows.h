#pragma once

#include "core/KeyOverride.h"

#include <QObject>
#include <QString>

// The picture of a row's status icon: none until something first sets one.
enum class RowIcon { None, QuestionMark, CheckMark };

// One key override as the operator sees it. Texts are 8-bit: key names,
// output strings and descriptions are bytes, mapped through Latin-1 only
// where a widget shows them.
struct KeyRow
{
    QByteArray keyName;
    QByteArray keyString;
    QString lengthCaption = QStringLiteral("0");
    QByteArray description;
    RowIcon icon = RowIcon::None;
    // Hidden until a device operation first shows it; other changes only
    // change the picture of a hidden icon.
    bool iconShown = false;
};

// The sixteen rows. Every setter notifies synchronously and only on a real
// change, so a handler of keyStringChanged (the notation check) runs before
// the setter returns and may itself change the text again.
class KeyRows : public QObject
{
    Q_OBJECT

public:
    explicit KeyRows(QObject *parent = nullptr);

    const KeyRow &row(int index) const { return m_rows.at(static_cast<std::size_t>(index)); }

    QByteArray keyName(int index) const { return row(index).keyName; }
    QByteArray keyString(int index) const { return row(index).keyString; }
    QString lengthCaption(int index) const { return row(index).lengthCaption; }
    QByteArray description(int index) const { return row(index).description; }
    RowIcon icon(int index) const { return row(index).icon; }
    bool iconShown(int index) const { return row(index).iconShown; }
    KeyOverride keyOverride(int index) const
    {
        return {keyName(index), keyString(index), description(index)};
    }
    KeyOverrides overrides() const;

    void setKeyName(int index, const QByteArray &name);
    void setKeyString(int index, const QByteArray &text);
    void setLengthCaption(int index, const QString &caption);
    void setDescription(int index, const QByteArray &text);
    // Changes the picture only: a hidden icon stays hidden.
    void setIcon(int index, RowIcon icon);
    // Every row's picture becomes the question mark, "not confirmed against
    // the device"; showIcons also shows them, as the device operations do.
    void markAllUnconfirmed(bool showIcons);

signals:
    void keyNameChanged(int index);
    void keyStringChanged(int index);
    void lengthCaptionChanged(int index);
    void descriptionChanged(int index);
    void iconChanged(int index);

private:
    KeyRow &mutableRow(int index) { return m_rows.at(static_cast<std::size_t>(index)); }

    std::array<KeyRow, RowCount> m_rows;
};
