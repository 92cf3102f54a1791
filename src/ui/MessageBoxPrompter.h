#pragma once

#include "ui/model/Prompter.h"

class QWidget;

// The program's message boxes: "KORVEXConfig" with only OK and no icon, and
// "Confirm" questions with Yes, No and the question icon.
class MessageBoxPrompter : public Prompter
{
public:
    explicit MessageBoxPrompter(QWidget *parent = nullptr) : m_parent(parent) {}

    void setParent(QWidget *parent) { m_parent = parent; }

    void message(const QString &text) override;
    bool confirm(const QString &text) override;
    void beep() override;

private:
    QWidget *m_parent;
};
