#pragma once

#include "ui/model/Prompter.h"

#include <QStringList>

#include <functional>

// Records what the operator is shown, in order: a message as its text, a
// question as "? " and its text, a beep as "(beep)". Questions are answered
// from a script, Yes once it runs out.
class RecordingPrompter : public Prompter
{
public:
    void message(const QString &text) override { record(text); }
    bool confirm(const QString &text) override
    {
        record(QStringLiteral("? ") + text);
        return answers.isEmpty() || answers.takeFirst();
    }
    void beep() override { record(QStringLiteral("(beep)")); }

    QStringList prompts;
    QList<bool> answers; // true is Yes
    // Runs while a prompt is open, to look at what the operator sees then.
    std::function<void(const QString &)> onPrompt;

private:
    void record(const QString &text)
    {
        prompts << text;
        if (onPrompt)
            onPrompt(text);
    }
};
