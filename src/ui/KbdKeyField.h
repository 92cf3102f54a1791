#pragma once

#include <QLineEdit>

#include <functional>

class QKeyEvent;

// A row's key field: shows a key name and captures the next key pressed in
// it, every key including Tab. It never edits its own text; the owner does
// that from the key handlers.
class KbdKeyField : public QLineEdit
{
    Q_OBJECT

public:
    explicit KbdKeyField(QWidget *parent = nullptr);

    // Called for every key that goes down in the field.
    std::function<void(QKeyEvent *event)> onKey;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent *event) override;
};
