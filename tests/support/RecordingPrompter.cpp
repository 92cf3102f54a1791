#include "support/RecordingPrompter.h"

void RecordingPrompter::record(Prompt::Kind kind, const QString &text)
{
    m_prompts.append({kind, text});
    if (onPrompt)
        onPrompt(m_prompts.last());
}

void RecordingPrompter::message(const QString &text)
{
    record(Prompt::Kind::Message, text);
}

bool RecordingPrompter::confirm(const QString &text)
{
    record(Prompt::Kind::Confirm, text);
    return answers.isEmpty() ? true : answers.takeFirst();
}

void RecordingPrompter::beep()
{
    record(Prompt::Kind::Beep, QString());
}

QStringList RecordingPrompter::messages() const
{
    QStringList texts;
    for (const Prompt &prompt : m_prompts) {
        if (prompt.kind == Prompt::Kind::Message)
            texts.append(prompt.text);
    }
    return texts;
}

QStringList RecordingPrompter::questions() const
{
    QStringList texts;
    for (const Prompt &prompt : m_prompts) {
        if (prompt.kind == Prompt::Kind::Confirm)
            texts.append(prompt.text);
    }
    return texts;
}

int RecordingPrompter::beeps() const
{
    int count = 0;
    for (const Prompt &prompt : m_prompts)
        count += prompt.kind == Prompt::Kind::Beep ? 1 : 0;
    return count;
}
