#include "CommandParser.h"

namespace {

bool isIndexChar(unsigned char byte)
{
    return byte >= 0x30 && byte <= 0x3F;
}

} // namespace

std::optional<Command> CommandParser::feed(unsigned char byte)
{
    const char c = static_cast<char>(byte);
    switch (m_state) {
    case Idle:
        break;
    case Slash:
        if (byte == 'R' || byte == 'W') {
            m_command.raw.push_back(c);
            m_state = byte == 'R' ? ReadIndex : WriteIndex;
            return std::nullopt;
        }
        break;
    case ReadIndex:
    case WriteIndex:
        if (isIndexChar(byte)) {
            m_command.raw.push_back(c);
            m_command.index = byte - 0x30;
            m_state = m_state == ReadIndex ? ReadEnd : WriteScancode;
            return std::nullopt;
        }
        break;
    case ReadEnd:
        if (byte == 0x00) {
            m_command.raw.push_back(c);
            return finish(Command::Read);
        }
        break;
    case WriteScancode:
        // Positional: any byte here is the scancode, 00 (a key the program
        // could not look up) and FF (no key) included.
        m_command.raw.push_back(c);
        m_command.scancode = byte;
        m_state = WriteBytes;
        return std::nullopt;
    case WriteBytes:
        // The frame ends at the first 00 after the scancode, as on the real
        // device. An output string holding the byte 00 (written {00} or {})
        // therefore ends its own frame early: the device stores the bytes
        // before it, and whatever follows is read as new input.
        if (m_command.raw.size() < 4 + MaxStringBytes + 1)
            m_command.raw.push_back(c);
        if (byte == 0x00)
            return finish(Command::Write);
        // Past six bytes the frame is not a valid row; keep reading up to
        // its 00 without growing, so a babbling host cannot exhaust memory.
        if (m_command.bytes.size() < MaxStringBytes)
            m_command.bytes.push_back(c);
        else
            m_command.tooLong = true;
        return std::nullopt;
    }

    // Not a continuation of a command: the partial command is dropped and
    // the byte is looked at afresh, which resynchronises on the next command.
    m_ignored += m_command.raw;
    m_command = Command();
    m_state = Idle;
    switch (byte) {
    case 'z':
        m_command.raw.push_back(c);
        return finish(Command::Probe);
    case 'V':
        m_command.raw.push_back(c);
        return finish(Command::Version);
    case '/':
        m_command.raw.push_back(c);
        m_state = Slash;
        return std::nullopt;
    default:
        m_ignored.push_back(c);
        return std::nullopt;
    }
}

std::string CommandParser::takeIgnored()
{
    std::string ignored;
    ignored.swap(m_ignored);
    return ignored;
}

std::optional<Command> CommandParser::finish(Command::Kind kind)
{
    Command done = std::move(m_command);
    done.kind = kind;
    m_command = Command();
    m_state = Idle;
    return done;
}
