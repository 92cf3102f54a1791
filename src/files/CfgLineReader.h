#pragma once

#include <QByteArray>

class QIODevice;

// Reads lines ended by CR LF or by a bare LF (the last line may have no end),
// holding at most one line in memory. Two bounds keep a file that is not a
// .cfg from hanging the program or exhausting memory:
// - a line longer than maxLineBytes (without its line end) is not read;
// - once maxInputBytes have been read, a further line is not read, so an
//   input that never ends stops there.
class CfgLineReader
{
public:
    enum class Result { Line, End, LineTooLong, InputTooLong };

    CfgLineReader(QIODevice &input, qint64 maxLineBytes, qint64 maxInputBytes);

    // The next line without its line end. Throws KorvexError when the input
    // reports a read error. After anything but Line, the reader is finished.
    Result next(QByteArray *line);

    // 1-based number of the line last returned or refused.
    qint64 lineNumber() const { return m_lineNumber; }
    qint64 bytesRead() const { return m_bytesRead; }

private:
    QIODevice &m_input;
    qint64 m_maxLineBytes;
    qint64 m_maxInputBytes;
    qint64 m_lineNumber = 0;
    qint64 m_bytesRead = 0;
    QByteArray m_buffer;
};
