#include "ui/model/KeyStringChecker.h"

#include "keys/KeyStringNotation.h"
#include "ui/model/KeyRows.h"
#include "ui/model/Prompter.h"

#include <QChar>

KeyStringChecker::KeyStringChecker(KeyRows &rows, Prompter &prompter, QObject *parent)
    : QObject(parent), m_rows(rows), m_prompter(prompter)
{
    // Every change of a row's text is checked, whoever made it.
    connect(&m_rows, &KeyRows::keyStringChanged, this, [this](int index) { CheckKeyString(index); });
}

QString KeyStringChecker::CheckKeyString(int index)
{
    const QByteArray text = m_rows.keyString(index);
    const KeyStringScan scan = ScanKeyString(text);
    m_braceState = scan.endsInOpenGroup ? 1 : 0;
    const QString failed = QStringLiteral("Error in item #") + QString::number(index + 1);

    switch (scan.outcome) {
    case KeyStringScan::Outcome::GroupError:
        m_prompter.message(notationMessage(text, scan, index));
        // Keeps everything up to the "{" of the bad group; the nested check
        // then counts the shorter text and leaves BraceState at 1.
        m_rows.setKeyString(index, KeptOfKeyString(text, scan));
        return failed;
    case KeyStringScan::Outcome::TooLong:
        // The operator sees the over-long count while the message is open.
        m_rows.setLengthCaption(index, QString::number(scan.units));
        m_prompter.message(notationMessage(text, scan, index));
        m_rows.setKeyString(index, KeptOfKeyString(text, scan));
        return failed;
    case KeyStringScan::Outcome::Ok:
        m_rows.setLengthCaption(index, QString::number(scan.units));
        return {};
    }
    return {};
}

int KeyStringChecker::typedCharacter(int index, int keyAscii)
{
    if (m_braceState == 1 && keyAscii > 0 && keyAscii < 256) {
        const int upper = QChar(keyAscii).toUpper().unicode();
        // Stay inside 8-bit text: ÿ has no Latin-1 capital.
        if (upper < 256)
            keyAscii = upper;
    }
    m_rows.setIcon(index, RowIcon::QuestionMark);
    return keyAscii;
}
