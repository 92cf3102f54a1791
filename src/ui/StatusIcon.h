#pragma once

#include "core/KeyRows.h"

#include <QLabel>
#include <QPixmap>

// A row's status picture, stretched to the control: the question mark (not
// confirmed against the device) or the check mark. Hidden until an operation
// first shows it.
class StatusIcon : public QLabel
{
    Q_OBJECT

public:
    StatusIcon(const QPixmap &questionMark, const QPixmap &checkMark, QWidget *parent = nullptr);

    void showIcon(RowIcon icon);

private:
    const QPixmap &m_questionMark;
    const QPixmap &m_checkMark;
};
