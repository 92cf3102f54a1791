#pragma once

#include <QString>

// Message boxes, questions and the beep. The program shows them with
// QMessageBox; tests record them and answer from a script. Calls are
// synchronous, so whatever the caller changes after a message happens only
// once the operator has closed it.
class Prompter
{
public:
    virtual ~Prompter() = default;

    // A box with only an OK button, titled "KORVEXConfig".
    virtual void message(const QString &text) = 0;
    // A Yes/No question with the question icon, titled "Confirm". True for Yes.
    virtual bool confirm(const QString &text) = 0;
    virtual void beep() = 0;
};
