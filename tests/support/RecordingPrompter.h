#pragma once

#include "core/Prompter.h"

#include <QList>
#include <QStringList>

#include <functional>

// Records every message, question and beep in order; answers questions from
// a script (Yes once the script runs out).
class RecordingPrompter : public Prompter
{
public:
    struct Prompt
    {
        enum class Kind { Message, Confirm, Beep };
        Kind kind;
        QString text;
    };

    void message(const QString &text) override;
    bool confirm(const QString &text) override;
    void beep() override;

    const QList<Prompt> &prompts() const { return m_prompts; }
    QStringList messages() const;
    QStringList questions() const;
    int beeps() const;
    void clear() { m_prompts.clear(); }

    // Answers for the next questions, in order: true is Yes.
    QList<bool> answers;
    // Called while a prompt is "open", to look at the state the operator sees.
    std::function<void(const Prompt &)> onPrompt;

private:
    void record(Prompt::Kind kind, const QString &text);

    QList<Prompt> m_prompts;
};
