#pragma once

#include <QPushButton>

// A push button whose caption wraps onto a second line when it is wider than
// the button, so long captions fit the window's narrow buttons. text() stays
// the caption as given; fitTexts() fits its font to captionArea().
class WrapButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

    static constexpr int CaptionFlags = Qt::AlignCenter | Qt::TextWordWrap;
    // Where the caption is drawn.
    QRect captionArea() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
