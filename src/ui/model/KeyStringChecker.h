#pragma once

#include <QObject>
#include <QString>

class KeyRows;
class Prompter;

// Keeps every row's output string valid: runs the check on each change of a
// row's text, whoever made it, keeps the length caption current and cuts bad
// text back after telling the operator. Also the typing aid of the output
// boxes. One instance per window: BraceState is shared by all rows.
class KeyStringChecker : public QObject
{
    Q_OBJECT

public:
    KeyStringChecker(KeyRows &rows, Prompter &prompter, QObject *parent = nullptr);

    // Empty when the text of row index is acceptable, otherwise
    // "Error in item #" and the row number. May change the row's text, which
    // runs the check again (nested) before this returns.
    QString CheckKeyString(int index);

    // A character typed into row index's output box: upper-cased while the
    // last check ended inside an open group. Marks the row as not confirmed.
    // Returns the character code to insert.
    int typedCharacter(int index, int keyAscii);

    // 1 when the most recent check of any row ended inside an open group.
    int BraceState() const { return m_braceState; }

private:
    KeyRows &m_rows;
    Prompter &m_prompter;
    int m_braceState = 0;
};
