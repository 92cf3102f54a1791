#pragma once

#include "ui/model/KeyRows.h"

#include <QLabel>
#include <QString>

// A row's status picture, stretched to the control: the question mark (not
// confirmed against the device) or the check mark. Hidden until an operation
// first shows it. The pictures are read from their files only when first
// shown, so a window whose icons stay hidden never loads them.
class StatusIcon : public QLabel
{
    Q_OBJECT

public:
    StatusIcon(QString questionMarkFile, QString checkMarkFile, QWidget *parent = nullptr);

    void showIcon(RowIcon icon, bool shown);

private:
    QString m_questionMarkFile;
    QString m_checkMarkFile;
    RowIcon m_loaded = RowIcon::None;
};
