#pragma once

#include <QString>

// Rows are 8-bit text: what the operator types or pastes keeps only the
// characters Latin-1 can hold (and alsoKept, such as a text document's own
// paragraph separator).
inline QString latin1Only(const QString &text, QChar alsoKept = QChar())
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.unicode() <= 0xFF || (ch == alsoKept && !alsoKept.isNull()))
            kept.append(ch);
    }
    return kept;
}
