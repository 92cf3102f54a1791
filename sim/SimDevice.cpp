#include "SimDevice.h"

namespace {

constexpr char Ack = '\x06';
constexpr char Nak = '\x15';

char indexChar(int index)
{
    return static_cast<char>(0x30 + index);
}

} // namespace

SimDevice::SimDevice(const SimOptions &options, RowStore &rows) : m_options(options), m_rows(rows) {}

std::optional<SimDevice::Reply> SimDevice::handle(const Command &command)
{
    std::optional<Reply> reply;
    switch (command.kind) {
    case Command::Probe:
        reply = Reply{m_options.probeReply, m_options.delays.probe};
        break;
    case Command::Version:
        reply = Reply{m_options.versionText, m_options.delays.version};
        break;
    case Command::Read:
        reply = read(command);
        break;
    case Command::Write:
        reply = write(command);
        break;
    }
    if (m_options.silent)
        return std::nullopt;
    return reply;
}

std::optional<SimDevice::Reply> SimDevice::write(const Command &command)
{
    if (command.tooLong) {
        if (report)
            report("write of row " + std::to_string(command.index) + " has more than six bytes: dropped");
        return std::nullopt;
    }

    const int delay = m_options.delays.write;
    if (m_options.nak)
        return Reply{std::string{Nak, indexChar(command.index)}, delay};
    if (m_options.writeReply)
        return Reply{*m_options.writeReply, delay};

    if (!m_options.ackNoStore) {
        std::string error;
        if (!m_rows.set(command.index, RowStore::Row{command.scancode, command.bytes}, error) && report)
            report(error);
    }
    return Reply{std::string{Ack, indexChar(command.index)}, delay};
}

SimDevice::Reply SimDevice::read(const Command &command) const
{
    Reply reply;
    reply.delayMs = m_options.delays.read + (command.index == m_options.lateRow ? LateRowMs : 0);
    if (m_options.flood) {
        // Never a 00, so a host that reads "up to the terminator" has to
        // bound itself.
        reply.bytes.reserve(FloodBytes);
        for (std::size_t i = 0; i < FloodBytes; ++i)
            reply.bytes.push_back(static_cast<char>('A' + i % 26));
        return reply;
    }
    const RowStore::Row &row = m_rows.row(command.index);
    reply.bytes.push_back(static_cast<char>(row.scancode));
    reply.bytes += row.bytes;
    // Damaged memory: more bytes than any write could have stored.
    if (command.index == m_options.longRow)
        reply.bytes += "OVERLONG";
    reply.bytes.push_back('\0');
    reply.bytes += m_options.trailing;
    return reply;
}
