#pragma once

#include <QPushButton>

// A push button whose caption wraps onto a second line when it is wider than
// the button, so long captions fit the window's narrow buttons. text() stays
// the caption as given.
class WrapButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};
