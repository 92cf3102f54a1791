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

    void message(const QString &text) override { record(Prompt::Kind::Message, text); }
    bool confirm(const QString &text) override
    {
        record(Prompt::Kind::Confirm, text);
        return answers.isEmpty() || answers.takeFirst();
    }
    void beep() override { record(Prompt::Kind::Beep, QString()); }

    const QList<Prompt> &prompts() const { return m_prompts; }
    QStringList messages() const { return texts(Prompt::Kind::Message); }
    QStringList questions() const { return texts(Prompt::Kind::Confirm); }
    void clear() { m_prompts.clear(); }

    QList<bool> answers; // for the next questions, in order: true is Yes
    // Called while a prompt is "open", to look at what the operator sees.
    std::function<void(const Prompt &)> onPrompt;

private:
    void record(Prompt::Kind kind, const QString &text)
    {
        m_prompts.append({kind, text});
        if (onPrompt)
            onPrompt(m_prompts.last());
    }
    QStringList texts(Prompt::Kind kind) const
    {
        QStringList found;
        for (const Prompt &prompt : m_prompts) {
            if (prompt.kind == kind)
                found.append(prompt.text);
        }
        return found;
    }

    QList<Prompt> m_prompts;
};
