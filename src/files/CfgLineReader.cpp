#include "files/CfgLineReader.h"

#include "core/KorvexError.h"

#include <QFileDevice>

CfgLineReader::CfgLineReader(QIODevice &input, qint64 maxLineBytes, qint64 maxInputBytes)
    : m_input(input), m_maxLineBytes(maxLineBytes), m_maxInputBytes(maxInputBytes)
{}

CfgLineReader::Result CfgLineReader::next(QByteArray *line)
{
    // Room for a line of the limit, its CR LF and readLine's terminating NUL:
    // a line that fills it without ending is over the limit.
    if (m_buffer.isEmpty())
        m_buffer.resize(m_maxLineBytes + 3);
    const qint64 got = m_input.readLine(m_buffer.data(), m_buffer.size());
    if (got < 0) {
        // readLine answers -1 both at the end and on a failure; only a file
        // says which.
        const auto *file = qobject_cast<QFileDevice *>(&m_input);
        if (file && file->error() != QFileDevice::NoError)
            throw KorvexError(file->errorString());
        return Result::End;
    }
    if (got == 0)
        return Result::End;
    ++m_lineNumber;
    if (m_bytesRead >= m_maxInputBytes)
        return Result::InputTooLong;
    m_bytesRead += got;

    qint64 length = got;
    if (length > 0 && m_buffer.at(length - 1) == '\n')
        --length;
    if (length > 0 && m_buffer.at(length - 1) == '\r')
        --length;
    if (length > m_maxLineBytes)
        return Result::LineTooLong;
    *line = QByteArray(m_buffer.constData(), length);
    return Result::Line;
}
