#include "ui/KeyStringField.h"

#include "core/PrintableBytes.h"

#include "keys/KeyStringNotation.h"
#include "ui/Latin1Text.h"
#include "ui/model/KeyCapture.h"

#include <QKeyEvent>

namespace {

bool isLatin1(const QString &text)
{
    return latin1Only(text).size() == text.size();
}

} // namespace

KeyStringField::KeyStringField(QWidget *parent) : QLineEdit(parent)
{
    setMaxLength(MaxKeyStringChars);
    connect(this, &QLineEdit::textChanged, this, &KeyStringField::textWasChanged);
    // The limit is the operator's: a longer text from a file or the device is
    // shown whole, and typing may shorten it but not make it longer.
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString &text) { setMaxLength(qMax<int>(MaxKeyStringChars, text.size())); });
}

void KeyStringField::showBytes(const QByteArray &bytes)
{
    if (text().toLatin1() == bytes && isLatin1(text()))
        return;
    setMaxLength(qMax<int>(MaxKeyStringChars, bytes.size()));
    setText(QString::fromLatin1(bytes));
}

void KeyStringField::keyPressEvent(QKeyEvent *event)
{
    const int code = keyPressCharCode(event->text());
    if (code == 0) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (code > 0xFF) {
        if (onRefused)
            onRefused();
        event->accept();
        return;
    }
    const int typed = onTypedChar ? onTypedChar(code) : code;
    if (typed >= 0 && typed <= 0xFF && !isControl(char16_t(typed))) {
        insert(QString(QChar(typed)));
        event->accept();
        return;
    }
    // Backspace, Enter and the control characters of shortcuts keep their
    // usual meaning.
    QLineEdit::keyPressEvent(event);
}

void KeyStringField::textWasChanged(const QString &text)
{
    if (!isLatin1(text)) {
        // Pasted or dropped text: drop what 8-bit text cannot hold. Setting
        // the text again comes back here with the cleaned text.
        const int caret = cursorPosition();
        const QString kept = latin1Only(text);
        setText(kept);
        setCursorPosition(qMin(caret, static_cast<int>(kept.size())));
        if (onRefused)
            onRefused();
        return;
    }
    emit bytesChanged(text.toLatin1());
}
