#include "files/CfgLineReader.h"

#include "core/KorvexError.h"

#include <QFileDevice>

#include <algorithm>

namespace {

constexpr qsizetype ChunkBytes = 16 * 1024;

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

} // namespace

CfgLineReader::CfgLineReader(QIODevice &input, qint64 maxLineBytes, qint64 maxInputBytes)
    : m_input(input), m_maxLineBytes(maxLineBytes), m_maxInputBytes(maxInputBytes)
{}

bool CfgLineReader::fill()
{
    if (m_chunkPos < m_chunkEnd)
        return true;
    if (m_chunk.isEmpty())
        m_chunk.resize(ChunkBytes);
    const qint64 got = m_input.read(m_chunk.data(), m_chunk.size());
    if (got <= 0) {
        // A file tells a failure apart from its end; -1 from any other input
        // is taken as its end.
        const auto *file = qobject_cast<QFileDevice *>(&m_input);
        if (file && file->error() != QFileDevice::NoError)
            throw KorvexError(file->errorString());
        return false;
    }
    m_chunkPos = 0;
    m_chunkEnd = got;
    return true;
}

char CfgLineReader::take()
{
    ++m_bytesRead;
    return m_chunk.at(m_chunkPos++);
}

CfgLineReader::Result CfgLineReader::next(QByteArray *line)
{
    if (!m_started) {
        m_started = true;
        // Other editors may start a UTF-8 file with a byte-order mark; left in,
        // it would spoil the first record's row number.
        static const QByteArray Bom = QByteArrayLiteral("\xEF\xBB\xBF");
        if (fill() && QByteArray::fromRawData(m_chunk.constData(), m_chunkEnd).startsWith(Bom)) {
            m_chunkPos += Bom.size();
            m_bytesRead += Bom.size();
        }
    }
    if (!fill())
        return Result::End;
    ++m_lineNumber;
    if (m_bytesRead >= m_maxInputBytes)
        return Result::InputTooLong;

    line->clear();
    do {
        const char *begin = m_chunk.constData() + m_chunkPos;
        const char *end = m_chunk.constData() + m_chunkEnd;
        const char *stop = std::find_if(begin, end, isLineEnd);
        if (line->size() + (stop - begin) > m_maxLineBytes)
            return Result::LineTooLong;
        line->append(begin, stop - begin);
        m_chunkPos += stop - begin;
        m_bytesRead += stop - begin;
        if (stop != end) {
            // A CR LF pair is one line end, even when split between two reads.
            if (take() == '\r' && fill() && m_chunk.at(m_chunkPos) == '\n')
                take();
            return Result::Line;
        }
    } while (fill());
    return Result::Line; // the last line has no end
}
