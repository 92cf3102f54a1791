#pragma once

#include <QByteArray>

class QIODevice;

// Reads lines ended by CR LF, a bare LF or a bare CR (the last line may have
// no end), so that a file from any editor splits into its records. A UTF-8
// byte-order mark at the start is skipped. At most one line and one read
// chunk are held in memory. Two bounds keep a file that is not a .cfg from
// hanging the program or exhausting memory:
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
    // False at the end of the input, otherwise at least one byte is waiting.
    bool fill();
    char take();

    QIODevice &m_input;
    qint64 m_maxLineBytes;
    qint64 m_maxInputBytes;
    qint64 m_lineNumber = 0;
    qint64 m_bytesRead = 0;
    bool m_started = false;
    QByteArray m_chunk;
    qsizetype m_chunkPos = 0;
    qsizetype m_chunkEnd = 0;
};
