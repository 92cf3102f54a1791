#pragma once

#include <QByteArray>
#include <QLineEdit>

#include <functional>

// A row's output-string field. Its text is 8-bit: the field shows the bytes
// as Latin-1 and refuses characters outside it, so what is shown is exactly
// what is stored, sent and saved.
class KeyStringField : public QLineEdit
{
    Q_OBJECT

public:
    explicit KeyStringField(QWidget *parent = nullptr);

    // Shows bytes unless the field already shows them, so that a change that
    // came from the field itself does not move the caret.
    void showBytes(const QByteArray &bytes);

    // Every character typed, Backspace included, goes through this before the
    // field acts on it; it returns the character to insert.
    std::function<int(int charCode)> onTypedChar;
    // A typed character that 8-bit text cannot hold.
    std::function<void()> onRefused;

signals:
    // The text changed, by typing, pasting or the program.
    void bytesChanged(const QByteArray &bytes);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void textWasChanged(const QString &text);
};
